// SPDX-License-Identifier: GPL-3.0-or-later
#include "manifest.h"

#include "signature.h"
#include "transport_policy.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <cmath>

namespace updater {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("Manifest", text);
}

ManifestResult failure(const QString &reason)
{
    return {std::nullopt, tr("The update manifest is not valid: %1").arg(reason)};
}

QString missingOrWrong(const QString &field, const char *expected)
{
    return tr("\"%1\" is missing or not %2.").arg(field, tr(expected));
}

std::optional<qint64> packageSize(const QJsonValue &value)
{
    if (!value.isDouble())
        return std::nullopt;
    const double size = value.toDouble();
    if (!(size >= 1 && size <= double(kMaxPackageBytes)) || std::floor(size) != size)
        return std::nullopt;
    return qint64(size);
}

bool isHexDigit(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F');
}

std::optional<QByteArray> sha256Digest(const QJsonValue &value)
{
    const QString text = value.toString();
    if (text.size() != 64)
        return std::nullopt;
    for (const QChar c : text)
        if (!isHexDigit(c))
            return std::nullopt;
    return QByteArray::fromHex(text.toLatin1());
}

std::optional<PackageInfo> readPackage(const QJsonObject &entry, const QUrl &manifestUrl,
                                       QString *error)
{
    const QString urlText = entry.value(QLatin1String("url")).toString();
    const QUrl reference(urlText, QUrl::StrictMode);
    if (urlText.isEmpty() || !reference.isValid()) {
        *error = missingOrWrong(QStringLiteral("url"), "a web address");
        return std::nullopt;
    }
    const FetchAddress address = checkFetchAddress(manifestUrl.resolved(reference));
    if (address.url.isEmpty()) {
        *error = address.error;
        return std::nullopt;
    }
    const std::optional<qint64> size = packageSize(entry.value(QLatin1String("size")));
    if (!size) {
        *error = missingOrWrong(QStringLiteral("size"), "a whole number of bytes");
        return std::nullopt;
    }
    const std::optional<QByteArray> digest = sha256Digest(entry.value(QLatin1String("sha256")));
    if (!digest) {
        *error = missingOrWrong(QStringLiteral("sha256"), "64 hexadecimal digits");
        return std::nullopt;
    }
    const auto signature = updatesig::decodeBase64Exactly(
        entry.value(QLatin1String("ed25519")).toString().toLatin1(), updatesig::kSignatureBytes);
    if (!signature) {
        *error = missingOrWrong(QStringLiteral("ed25519"), "the base64 text of a signature");
        return std::nullopt;
    }
    return PackageInfo{address.url, *size, *digest, *signature};
}

} // namespace

QUrl manifestSignatureUrl(const QUrl &manifestUrl)
{
    QUrl url = manifestUrl;
    url.setPath(url.path() + QStringLiteral(".sig"));
    return url;
}

ManifestResult parseSignedManifest(const QByteArray &document, const QByteArray &signatureFile,
                                   const QList<QByteArray> &publicKeys,
                                   const QString &applicationName, const QString &platformKey,
                                   const QUrl &manifestUrl)
{
    const std::optional<QByteArray> signature = updatesig::parseSignatureFile(signatureFile);
    if (!signature)
        return {std::nullopt, tr("The signature file of the update manifest is not valid, so "
                                 "nothing is offered.")};
    if (!updatesig::verifySignature(publicKeys, document, *signature))
        return {std::nullopt, tr("The update manifest is not signed with a key this updater "
                                 "trusts, so nothing is offered.")};
    return parseManifest(document, applicationName, platformKey, manifestUrl);
}

ManifestResult parseManifest(const QByteArray &document, const QString &applicationName,
                             const QString &platformKey, const QUrl &manifestUrl)
{
    if (document.size() > kMaxManifestBytes)
        return failure(tr("it is larger than %1 bytes.").arg(kMaxManifestBytes));
    QJsonParseError parseError;
    const QJsonDocument json = QJsonDocument::fromJson(document, &parseError);
    if (parseError.error != QJsonParseError::NoError || !json.isObject())
        return failure(tr("it is not a JSON object."));

    const QJsonValue applications = json.object().value(QLatin1String("applications"));
    if (!applications.isObject())
        return failure(missingOrWrong(QStringLiteral("applications"), "an object"));
    const QJsonValue application = applications.toObject().value(applicationName);
    if (!application.isObject())
        return failure(tr("it has no entry for %1.").arg(applicationName));
    const QJsonObject entry = application.toObject();

    ReleaseInfo release;
    release.versionText = entry.value(QLatin1String("version")).toString();
    const std::optional<Version> version = parseVersion(release.versionText);
    if (!version)
        return failure(missingOrWrong(QStringLiteral("version"), "a dotted version number"));
    release.version = *version;

    const QJsonValue notes = entry.value(QLatin1String("releaseNotes"));
    if (!notes.isString())
        return failure(missingOrWrong(QStringLiteral("releaseNotes"), "text"));
    release.releaseNotes = notes.toString();

    const QJsonValue downloads = entry.value(QLatin1String("downloads"));
    if (!downloads.isObject())
        return failure(missingOrWrong(QStringLiteral("downloads"), "an object"));
    const QJsonValue platform = downloads.toObject().value(platformKey);
    if (platform.isUndefined())
        return {release, {}};
    if (!platform.isObject())
        return failure(missingOrWrong(platformKey, "an object"));
    QString error;
    release.package = readPackage(platform.toObject(), manifestUrl, &error);
    if (!release.package)
        return failure(QStringLiteral("%1: %2").arg(platformKey, error));
    return {release, {}};
}

} // namespace updater
