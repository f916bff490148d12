// SPDX-License-Identifier: GPL-3.0-or-later
#include "manifest.h"
#include "transport_policy.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <functional>

using namespace updater;

namespace {

const QString kPlatform = "windows-x86_64";
const QUrl kManifestUrl("https://updates.example/ORVIK_IMU/updates.json");
const QString kDigest = QString(64, 'a');
const QByteArray kSignature(64, char(0x5c));

QJsonObject validPackage()
{
    return {{"url", "https://updates.example/files/ORVIK-IMU-0.4-setup.exe"},
            {"size", 1234},
            {"sha256", kDigest},
            {"ed25519", QString::fromLatin1(kSignature.toBase64())}};
}

QJsonObject validRelease()
{
    return {{"version", "0.4"},
            {"releaseNotes", "Faster charts."},
            {"downloads", QJsonObject{{kPlatform, validPackage()}}}};
}

QByteArray documentWith(const QJsonObject &release)
{
    return QJsonDocument(QJsonObject{{"applications", QJsonObject{{"ORVIK-IMU", release}}}})
        .toJson();
}

ManifestResult parse(const QByteArray &document)
{
    return parseManifest(document, "ORVIK-IMU", kPlatform, kManifestUrl);
}

QJsonObject withPackageField(const QString &field, const QJsonValue &value)
{
    QJsonObject package = validPackage();
    if (value.isUndefined())
        package.remove(field);
    else
        package[field] = value;
    QJsonObject release = validRelease();
    release["downloads"] = QJsonObject{{kPlatform, package}};
    return release;
}

QJsonObject withReleaseField(const QString &field, const QJsonValue &value)
{
    QJsonObject release = validRelease();
    if (value.isUndefined())
        release.remove(field);
    else
        release[field] = value;
    return release;
}

} // namespace

TEST(UpdateManifest, ReadsTheReleaseAndThisPlatformsPackageIgnoringUnknownFields)
{
    QJsonObject release = validRelease();
    release["publishedAt"] = "2025-01-01";
    QJsonObject package = validPackage();
    package["signature"] = QJsonArray{1, 2};
    release["downloads"] = QJsonObject{{kPlatform, package}, {"linux-x86_64", "not checked here"}};
    QJsonObject document{{"applications", QJsonObject{{"ORVIK-IMU", release}}},
                         {"generator", QJsonObject{{"name", "publisher"}}}};

    const ManifestResult result = parse(QJsonDocument(document).toJson());
    ASSERT_TRUE(result.release) << result.error.toStdString();
    EXPECT_EQ(result.release->versionText, "0.4");
    EXPECT_EQ(result.release->releaseNotes, "Faster charts.");
    ASSERT_TRUE(result.release->package);
    EXPECT_EQ(result.release->package->url,
              QUrl("https://updates.example/files/ORVIK-IMU-0.4-setup.exe"));
    EXPECT_EQ(result.release->package->size, 1234);
    EXPECT_EQ(result.release->package->sha256, QByteArray(32, char(0xaa)));
    EXPECT_EQ(result.release->package->signature, kSignature);
}

TEST(UpdateManifest, ResolvesRelativePackageAddressesAgainstTheManifest)
{
    const ManifestResult result = parse(documentWith(withPackageField("url", "files/setup.exe")));
    ASSERT_TRUE(result.release && result.release->package) << result.error.toStdString();
    EXPECT_EQ(result.release->package->url,
              QUrl("https://updates.example/ORVIK_IMU/files/setup.exe"));
}

TEST(UpdateManifest, AReleaseWithoutThisPlatformOffersNoPackage)
{
    const ManifestResult result = parse(documentWith(withReleaseField("downloads", QJsonObject{})));
    ASSERT_TRUE(result.release) << result.error.toStdString();
    EXPECT_FALSE(result.release->package);
}

TEST(UpdateManifest, RefusesMissingOrMalformedRequiredFields)
{
    const QJsonValue missing = QJsonValue::Undefined;
    const QList<QJsonObject> releases = {
        withReleaseField("version", missing),
        withReleaseField("version", 4),
        withReleaseField("version", "v0.4"),
        withReleaseField("releaseNotes", missing),
        withReleaseField("releaseNotes", QJsonArray{"a"}),
        withReleaseField("downloads", missing),
        withReleaseField("downloads", QJsonArray{}),
        withReleaseField("downloads", QJsonObject{{kPlatform, "setup.exe"}}),
        withPackageField("url", missing),
        withPackageField("url", ""),
        withPackageField("url", "ftp://updates.example/setup.exe"),
        withPackageField("url", "http://updates.example/setup.exe"),
        withPackageField("url", "file:///tmp/setup.exe"),
        withPackageField("url", "https://[broken/setup.exe"),
        withPackageField("size", missing),
        withPackageField("size", "1234"),
        withPackageField("size", 0),
        withPackageField("size", -1),
        withPackageField("size", 1.5),
        withPackageField("size", 1e30),
        withPackageField("sha256", missing),
        withPackageField("sha256", QString(63, 'a')),
        withPackageField("sha256", QString(65, 'a')),
        withPackageField("sha256", QString(64, 'g')),
        withPackageField("sha256", QString(63, 'a') + QChar(0x00e9)),
        withPackageField("ed25519", missing),
        withPackageField("ed25519", QString::fromLatin1(kSignature.left(63).toBase64())),
        withPackageField("ed25519", QString::fromLatin1(kSignature.toBase64().chopped(2))),
        withPackageField("ed25519", QString::fromLatin1(" " + kSignature.toBase64())),
    };
    for (const QJsonObject &release : releases) {
        const QByteArray document = documentWith(release);
        const ManifestResult result = parse(document);
        EXPECT_FALSE(result.release) << document.toStdString();
        EXPECT_FALSE(result.error.isEmpty()) << document.toStdString();
    }
    for (const char *document :
         {"", "[]", "{", "null", "{\"applications\": []}", "{\"applications\": {\"OTHER\": {}}}"}) {
        const ManifestResult result = parse(document);
        EXPECT_FALSE(result.release) << document;
        EXPECT_FALSE(result.error.isEmpty()) << document;
    }
}

TEST(UpdateManifest, RefusesDocumentsOverTheSizeLimit)
{
    QByteArray document = documentWith(validRelease());
    document.append(QByteArray(kMaxManifestBytes - document.size(), ' '));
    EXPECT_TRUE(parse(document).release);
    document.append(' ');
    EXPECT_FALSE(parse(document).release);
}

TEST(TransportPolicy, TreatsOnlyThisComputerAsLoopback)
{
    for (const char *host : {"127.0.0.1", "127.8.9.10", "::1", "localhost", "LOCALHOST"})
        EXPECT_TRUE(isLoopbackHost(host)) << host;
    for (const char *host : {"127.0.0.1.evil.example", "localhost.example", "10.0.0.1", "0.0.0.0",
                             "updates.example", ""})
        EXPECT_FALSE(isLoopbackHost(host)) << host;
}

TEST(TransportPolicy, FollowsNoRedirectToAnInsecureAddress)
{
    const QUrl secure("https://updates.example/a");
    const QUrl loopback("http://127.0.0.1:8000/a");
    EXPECT_TRUE(checkRedirect(secure, QUrl("https://mirror.example/a")).isEmpty());
    EXPECT_TRUE(checkRedirect(loopback, QUrl("http://localhost:8000/b")).isEmpty());
    EXPECT_TRUE(checkRedirect(loopback, secure).isEmpty());
    EXPECT_FALSE(checkRedirect(secure, loopback).isEmpty());
    EXPECT_FALSE(checkRedirect(secure, QUrl("http://updates.example:443/a")).isEmpty());
    EXPECT_FALSE(checkRedirect(loopback, QUrl("http://updates.example/a")).isEmpty());
    EXPECT_FALSE(checkRedirect(loopback, QUrl("file:///etc/passwd")).isEmpty());
}
