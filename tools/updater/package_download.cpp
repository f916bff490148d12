// SPDX-License-Identifier: GPL-3.0-or-later
#include "package_download.h"

#include "signature.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>

namespace updater {

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

QString PackageDownload::verify(const PackageInfo &expected, const QList<QByteArray> &publicKeys)
{
    const QString problem = checkPart(expected, publicKeys);
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

// The checksum and the signature are both taken over one mapping of the file,
// so they judge exactly the bytes that are kept.
QString PackageDownload::checkPart(const PackageInfo &expected, const QList<QByteArray> &publicKeys)
{
    partFile_.close();
    if (partFile_.size() != expected.size)
        return tr("The download has %1 bytes instead of the published %2.")
            .arg(partFile_.size())
            .arg(expected.size);
    const uchar *mapped =
        partFile_.open(QIODevice::ReadOnly) ? partFile_.map(0, expected.size) : nullptr;
    if (!mapped) {
        const QString error = partFile_.errorString();
        partFile_.close();
        return tr("The download could not be read back: %1").arg(error);
    }
    const QByteArray body =
        QByteArray::fromRawData(reinterpret_cast<const char *>(mapped), expected.size);
    const bool digestMatches =
        QCryptographicHash::hash(body, QCryptographicHash::Sha256) == expected.sha256;
    const bool signedByTrustedKey =
        updatesig::verifySignature(publicKeys, body, expected.signature).has_value();
    partFile_.close(); // also unmaps
    if (!digestMatches)
        return tr("The SHA-256 checksum of the download does not match the published one.");
    if (!signedByTrustedKey)
        return tr("The download is not signed with a key this updater trusts.");
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

} // namespace updater
