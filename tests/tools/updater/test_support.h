// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "signature.h"
#include "update_controller.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

// The application object every updater test runs under (offscreen widgets).
void ensureApplication();

// Processes events until `condition` holds; false when it never did. The
// limit only keeps a broken test from hanging.
bool waitUntil(const std::function<bool()> &condition, int limitMs = 20000);

// serve_updates.py on an ephemeral port of 127.0.0.1, serving a fresh folder.
class LocalUpdateServer
{
public:
    LocalUpdateServer();
    ~LocalUpdateServer();

    bool isRunning() const { return port_ != 0; }
    QUrl url(const QString &path) const;
    void writeFile(const QString &name, const QByteArray &content) const;
    // Writes `document` as `name` and its signature as `name`.sig.
    void writeSignedManifest(const QString &name, const QByteArray &document,
                             const QByteArray &secretKey) const;

private:
    QTemporaryDir root_;
    QProcess process_;
    int port_ = 0;
};

// Tests against a fresh local server, with a download folder of their own.
class LocalServerTest : public ::testing::Test
{
protected:
    void SetUp() override;

    // ORVIK-IMU 0.3 on "test-platform", reading `manifestPath` of the server
    // and trusting the test release key.
    updater::UpdaterSettings settingsFor(const QString &manifestPath) const;

    std::unique_ptr<LocalUpdateServer> server_;
    QTemporaryDir downloads_;
};

// Throw-away key pairs made once per test run: the one the tests release
// with, and one the updater under test never trusts.
const updatesig::KeyPair &testReleaseKey();
const updatesig::KeyPair &untrustedKey();

struct PublishedPackage
{
    QString url;
    qint64 size = 0;
    QByteArray sha256Hex;
    QByteArray signatureBase64;
};

// `content` published at `url`, signed with `secretKey`.
PublishedPackage describePackage(const QString &url, const QByteArray &content,
                                 const QByteArray &secretKey = testReleaseKey().secretKey);

// A manifest holding one ORVIK-IMU release for `platform`.
QByteArray manifestFor(const QString &version, const PublishedPackage &package,
                       const QString &platform = QStringLiteral("test-platform"));
