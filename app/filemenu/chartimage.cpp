#include "chartimage.h"

#include "files/saved_file.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <qcustomplot.h>

namespace chartimage {

namespace {

struct Known
{
    const char *suffix;
    Format format;
};

constexpr Known knownSuffixes[] = {
    {"png", Format::Png}, {"jpg", Format::Jpg}, {"jpeg", Format::Jpg},
    {"bmp", Format::Bmp}, {"pdf", Format::Pdf},
};

const Known *knownSuffixOf(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix();
    for (const Known &known : knownSuffixes)
        if (suffix.compare(QLatin1String(known.suffix), Qt::CaseInsensitive) == 0)
            return &known;
    return nullptr;
}

// QCustomPlot writes only to a named file, which could be left half-written
// under the operator's name: it draws into a private folder, and the bytes
// are then saved all or nothing.
bool drawInto(QCustomPlot &chart, Format format, const QString &file)
{
    const int width = chart.width();
    const int height = chart.height();
    switch (format) {
    case Format::Jpg:
        return chart.saveJpg(file, width, height);
    case Format::Bmp:
        return chart.saveBmp(file, width, height);
    case Format::Pdf:
        return chart.savePdf(file, width, height);
    case Format::Png:
        break;
    }
    return chart.savePng(file, width, height);
}

QString cannotDraw(const QString &path)
{
    return QStringLiteral("Could not save %1: the chart could not be drawn in that format")
        .arg(QDir::toNativeSeparators(path));
}

} // namespace

Format formatFor(const QString &path)
{
    const Known *known = knownSuffixOf(path);
    return known ? known->format : Format::Png;
}

QString withImageSuffix(const QString &path)
{
    return knownSuffixOf(path) ? path : path + QStringLiteral(".png");
}

QString dialogFilter()
{
    return QStringLiteral("PNG image (*.png);;JPEG image (*.jpg *.jpeg);;BMP image (*.bmp);;"
                          "PDF document (*.pdf)");
}

QString save(QCustomPlot &chart, const QString &path)
{
    QTemporaryDir drawing;
    if (!drawing.isValid())
        return cannotDraw(path);
    QFile drawn(drawing.filePath(QStringLiteral("chart")));
    if (!drawInto(chart, formatFor(path), drawn.fileName()) || !drawn.open(QIODevice::ReadOnly))
        return cannotDraw(path);
    return files::writeAll(path, drawn.readAll());
}

} // namespace chartimage
