#include "packagedownload.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>

namespace {

constexpr qsizetype kMaxFileNameLength = 100;

QString tr(const char *text)
{
    return QCoreApplication::translate("PackageDownload", text);
}

bool isSafeFileNameCharacter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '.' ||
           u == '-' || u == '_';
}

} // namespace

QString packageFileName(const QString &urlFileName)
{
    QString name = urlFileName.left(kMaxFileNameLength);
    for (QChar &c : name)
        if (!isSafeFileNameCharacter(c))
            c = QLatin1Char('_');
    while (name.startsWith(QLatin1Char('.')))
        name.remove(0, 1);
    return name.isEmpty() ? QStringLiteral("update-package") : name;
}

QString PackageDownload::open(const QString &parentFolder, const QString &fileName)
{
    discard();
    folder_ = std::make_unique<QTemporaryDir>(parentFolder + QStringLiteral("/update-XXXXXX"));
    if (!folder_->isValid())
        return tr("No download folder could be created in %1: %2")
            .arg(QDir::toNativeSeparators(parentFolder), folder_->errorString());
    packagePath_ = folder_->filePath(packageFileName(fileName));
    partFile_.setFileName(packagePath_ + QStringLiteral(".part"));
    if (!partFile_.open(QIODevice::WriteOnly))
        return tr("The download file could not be created: %1").arg(partFile_.errorString());
    return {};
}

QString PackageDownload::verify(qint64 expectedSize, const QByteArray &expectedSha256)
{
    const QString problem = checkPart(expectedSize, expectedSha256);
    if (!problem.isEmpty()) {
        discard();
        return problem;
    }
    QFile::remove(packagePath_);
    if (!partFile_.rename(packagePath_)) {
        const QString error = partFile_.errorString();
        discard();
        return tr("The verified download could not be renamed: %1").arg(error);
    }
    folder_->setAutoRemove(false);
    return {};
}

QString PackageDownload::checkPart(qint64 expectedSize, const QByteArray &expectedSha256)
{
    partFile_.close();
    if (partFile_.size() != expectedSize)
        return tr("The download has %1 bytes instead of the published %2.")
            .arg(partFile_.size())
            .arg(expectedSize);
    if (!partFile_.open(QIODevice::ReadOnly))
        return tr("The download could not be read back: %1").arg(partFile_.errorString());
    QCryptographicHash hash(QCryptographicHash::Sha256);
    const bool hashed = hash.addData(&partFile_);
    partFile_.close();
    if (!hashed)
        return tr("The download could not be read back: %1").arg(partFile_.errorString());
    if (hash.result() != expectedSha256)
        return tr("The SHA-256 checksum of the download does not match the published one.");
    return {};
}

void PackageDownload::discard()
{
    partFile_.close();
    if (folder_)
        folder_->remove();
    folder_.reset();
    packagePath_.clear();
}
