// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart_image.h"

#include "files/saved_file.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <qcustomplot.h>

namespace chart {

namespace {

struct Known
{
    const char *suffix;
    ImageFormat format;
};

constexpr Known kKnownSuffixes[] = {
    {"png", ImageFormat::Png}, {"jpg", ImageFormat::Jpg}, {"jpeg", ImageFormat::Jpg},
    {"bmp", ImageFormat::Bmp}, {"pdf", ImageFormat::Pdf},
};

const Known *knownSuffixOf(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix();
    for (const Known &known : kKnownSuffixes)
        if (suffix.compare(QLatin1String(known.suffix), Qt::CaseInsensitive) == 0)
            return &known;
    return nullptr;
}

// QCustomPlot writes only to a named file, which could be left half-written
// under the operator's name: it draws into a private folder, and the bytes
// are then saved all or nothing.
bool drawInto(QCustomPlot &chart, ImageFormat format, const QString &file)
{
    const int width = chart.width();
    const int height = chart.height();
    switch (format) {
    case ImageFormat::Jpg:
        return chart.saveJpg(file, width, height);
    case ImageFormat::Bmp:
        return chart.saveBmp(file, width, height);
    case ImageFormat::Pdf:
        return chart.savePdf(file, width, height);
    case ImageFormat::Png:
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

ImageFormat imageFormatFor(const QString &path)
{
    const Known *known = knownSuffixOf(path);
    return known ? known->format : ImageFormat::Png;
}

QString withImageSuffix(const QString &path)
{
    return knownSuffixOf(path) ? path : path + QStringLiteral(".png");
}

QString imageDialogFilter()
{
    return QStringLiteral("PNG image (*.png);;JPEG image (*.jpg *.jpeg);;BMP image (*.bmp);;"
                          "PDF document (*.pdf)");
}

QString saveImage(QCustomPlot &chart, const QString &path)
{
    QTemporaryDir drawing;
    if (!drawing.isValid())
        return cannotDraw(path);
    QFile drawn(drawing.filePath(QStringLiteral("chart")));
    if (!drawInto(chart, imageFormatFor(path), drawn.fileName()) ||
        !drawn.open(QIODevice::ReadOnly))
        return cannotDraw(path);
    return files::writeAll(path, drawn.readAll());
}

} // namespace chart
