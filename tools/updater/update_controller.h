// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "manifest.h"
#include "package_download.h"
#include "transfer.h"
#include "version.h"

#include <QBuffer>
#include <QByteArray>
#include <QList>
#include <QNetworkAccessManager>
#include <QObject>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

namespace updater {

enum class UpdateState
{
    Idle,
    Checking,
    UpToDate,
    UpdateAvailable,
    Downloading,
    WaitingForExit, // verified; the application must close before hand-over
    HandedOver,     // the installer was started or its folder opened
    Failed,
};

struct UpdaterSettings
{
    QUrl manifestUrl;
    QString applicationName;
    Version installedVersion;
    qint64 applicationProcessId = 0;
    QString platformKey;
    QString downloadFolder;       // a private sub-folder is made inside it per download
    QList<QByteArray> publicKeys; // raw Ed25519 keys manifests and packages must be signed with
    int idleTimeoutMs = 30000;
    int exitPollIntervalMs = 500;
};

// What the controller asks of the operating system; tests replace both.
struct SystemHooks
{
    std::function<bool(qint64 processId)> isProcessRunning;
    std::function<QString(const QString &packagePath)> handOver; // returns an error or ""
};

// The update run as a state machine, free of widgets:
// Checking (manifest, then its signature) -> UpToDate | UpdateAvailable | Failed;
// UpdateAvailable -> Downloading -> WaitingForExit -> HandedOver, or Failed;
// cancelling a download or the wait returns to UpdateAvailable.
class UpdateController : public QObject
{
    Q_OBJECT

public:
    UpdateController(const UpdaterSettings &settings, const SystemHooks &hooks,
                     QObject *parent = nullptr);

    void start();
    void download();
    void cancel();

    UpdateState state() const { return state_; }
    QString errorText() const { return errorText_; }
    const std::optional<ReleaseInfo> &release() const { return release_; }
    QString packagePath() const { return package_.packagePath(); }

signals:
    void stateChanged(UpdateState state);
    void downloadProgress(qint64 bytesReceived, qint64 bytesTotal);

private:
    void onTransferFinished(const TransferResult &result);
    void onManifestFetched(const TransferResult &result);
    void onSignatureFetched(const TransferResult &result);
    void refuseForLackOfKeys();
    void onPackageFetched(const TransferResult &result);
    void waitForApplicationExit();
    void handOver();
    void setState(UpdateState state);
    void fail(const QString &error);

    UpdaterSettings settings_;
    SystemHooks hooks_;
    QNetworkAccessManager network_;
    Transfer transfer_;
    QBuffer manifestBuffer_;
    QBuffer signatureBuffer_;
    bool fetchingSignature_ = false; // the second step of Checking
    PackageDownload package_;
    QTimer exitPollTimer_;
    UpdateState state_ = UpdateState::Idle;
    std::optional<ReleaseInfo> release_;
    QString errorText_;
};

} // namespace updater
