// SPDX-License-Identifier: GPL-3.0-or-later
#include "test_support.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QThread>

using namespace updater;

void ensureApplication()
{
    static int argc = 1;
    static char name[] = "updater_tests";
    static char *argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QApplication(argc, argv); // lives until the process ends
}

bool waitUntil(const std::function<bool()> &condition, int limitMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.hasExpired(limitMs))
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

LocalUpdateServer::LocalUpdateServer()
{
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty() || !root_.isValid())
        return;
    process_.start(python, {QStringLiteral(ORVIK_UPDATER_TEST_SERVER), root_.path()});
    if (!process_.waitForReadyRead(15000))
        return;
    port_ = process_.readLine().trimmed().toInt();
}

LocalUpdateServer::~LocalUpdateServer()
{
    process_.closeWriteChannel(); // the server exits when its input closes
    if (!process_.waitForFinished(5000)) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

QUrl LocalUpdateServer::url(const QString &path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1/%2").arg(port_).arg(path));
}

void LocalUpdateServer::writeFile(const QString &name, const QByteArray &content) const
{
    QFile file(root_.filePath(name));
    QDir().mkpath(QFileInfo(file).absolutePath());
    file.open(QIODevice::WriteOnly);
    file.write(content);
}

void LocalUpdateServer::writeSignedManifest(const QString &name, const QByteArray &document,
                                            const QByteArray &secretKey) const
{
    writeFile(name, document);
    writeFile(name + ".sig",
              updatesig::formatSignatureFile(updatesig::signMessage(secretKey, document).value()));
}

const updatesig::KeyPair &testReleaseKey()
{
    static const updatesig::KeyPair pair = updatesig::generateKeyPair().value();
    return pair;
}

const updatesig::KeyPair &untrustedKey()
{
    static const updatesig::KeyPair pair = updatesig::generateKeyPair().value();
    return pair;
}

void LocalServerTest::SetUp()
{
    ensureApplication();
    server_ = std::make_unique<LocalUpdateServer>();
    ASSERT_TRUE(server_->isRunning()) << "the tests need python3 for their local server";
}

UpdaterSettings LocalServerTest::settingsFor(const QString &manifestPath) const
{
    UpdaterSettings settings;
    settings.manifestUrl = server_->url(manifestPath);
    settings.applicationName = "ORVIK-IMU";
    settings.installedVersion = *parseVersion("0.3");
    settings.applicationProcessId = 4242;
    settings.platformKey = "test-platform";
    settings.downloadFolder = downloads_.path();
    settings.idleTimeoutMs = 1000;
    settings.exitPollIntervalMs = 10;
    settings.publicKeys = {testReleaseKey().publicKey};
    return settings;
}

PublishedPackage describePackage(const QString &url, const QByteArray &content,
                                 const QByteArray &secretKey)
{
    return {url, content.size(),
            QCryptographicHash::hash(content, QCryptographicHash::Sha256).toHex(),
            updatesig::signMessage(secretKey, content).value().toBase64()};
}

QByteArray manifestFor(const QString &version, const PublishedPackage &package,
                       const QString &platform)
{
    const QJsonObject download{{"url", package.url},
                               {"size", double(package.size)},
                               {"sha256", QString::fromLatin1(package.sha256Hex)},
                               {"ed25519", QString::fromLatin1(package.signatureBase64)}};
    const QJsonObject release{{"version", version},
                              {"releaseNotes", "Faster charts."},
                              {"downloads", QJsonObject{{platform, download}}}};
    const QJsonObject manifest{{"applications", QJsonObject{{"ORVIK-IMU", release}}}};
    return QJsonDocument(manifest).toJson();
}
