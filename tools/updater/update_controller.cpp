// SPDX-License-Identifier: GPL-3.0-or-later
#include "update_controller.h"

#include "signature.h"

#include <QDir>

namespace updater {

namespace {

// Starts `buffer` afresh as the sink of a transfer.
void reopenEmpty(QBuffer *buffer)
{
    buffer->close();
    buffer->setData({});
    buffer->open(QIODevice::WriteOnly);
}

} // namespace

UpdateController::UpdateController(const UpdaterSettings &settings, const SystemHooks &hooks,
                                   QObject *parent)
    : QObject(parent), settings_(settings), hooks_(hooks), transfer_(&network_)
{
    exitPollTimer_.setSingleShot(true);
    exitPollTimer_.setInterval(settings_.exitPollIntervalMs);
    connect(&exitPollTimer_, &QTimer::timeout, this, &UpdateController::waitForApplicationExit);
    connect(&transfer_, &Transfer::finished, this, &UpdateController::onTransferFinished);
    connect(&transfer_, &Transfer::progress, this, [this](qint64 received) {
        if (state_ == UpdateState::Downloading)
            emit downloadProgress(received, release_->package->size);
    });
}

void UpdateController::start()
{
    if (state_ != UpdateState::Idle)
        return;
    setState(UpdateState::Checking);
    if (settings_.publicKeys.isEmpty()) {
        // Later, like every other outcome of a check, so that callers see it
        // only once their event loop runs.
        QMetaObject::invokeMethod(this, &UpdateController::refuseForLackOfKeys,
                                  Qt::QueuedConnection);
        return;
    }
    fetchingSignature_ = false;
    reopenEmpty(&manifestBuffer_);
    transfer_.start(settings_.manifestUrl, &manifestBuffer_,
                    {kMaxManifestBytes, settings_.idleTimeoutMs});
}

void UpdateController::download()
{
    if (state_ != UpdateState::UpdateAvailable)
        return;
    const PackageInfo &package = *release_->package;
    const QString error = package_.open(settings_.downloadFolder, package.url.fileName());
    if (!error.isEmpty()) {
        fail(error);
        return;
    }
    setState(UpdateState::Downloading);
    transfer_.start(package.url, package_.sink(), {package.size, settings_.idleTimeoutMs});
}

void UpdateController::cancel()
{
    transfer_.cancel();
    exitPollTimer_.stop();
    switch (state_) {
    case UpdateState::Checking:
        fail(tr("The update check was cancelled."));
        break;
    case UpdateState::Downloading:
    case UpdateState::WaitingForExit:
        package_.discard();
        setState(UpdateState::UpdateAvailable);
        break;
    default:
        break;
    }
}

void UpdateController::onTransferFinished(const TransferResult &result)
{
    if (state_ == UpdateState::Checking && fetchingSignature_)
        onSignatureFetched(result);
    else if (state_ == UpdateState::Checking)
        onManifestFetched(result);
    else if (state_ == UpdateState::Downloading)
        onPackageFetched(result);
}

void UpdateController::onManifestFetched(const TransferResult &result)
{
    if (result.status != TransferResult::Status::Ok) {
        fail(tr("The update check failed. %1").arg(result.message));
        return;
    }
    fetchingSignature_ = true;
    reopenEmpty(&signatureBuffer_);
    transfer_.start(manifestSignatureUrl(settings_.manifestUrl), &signatureBuffer_,
                    {updatesig::kMaxSignatureFileBytes, settings_.idleTimeoutMs});
}

void UpdateController::onSignatureFetched(const TransferResult &result)
{
    if (result.status != TransferResult::Status::Ok) {
        fail(tr("The signature of the update manifest could not be fetched, so nothing is "
                "offered. %1")
                 .arg(result.message));
        return;
    }
    const ManifestResult manifest = parseSignedManifest(
        manifestBuffer_.data(), signatureBuffer_.data(), settings_.publicKeys,
        settings_.applicationName, settings_.platformKey, settings_.manifestUrl);
    if (!manifest.release) {
        fail(manifest.error);
        return;
    }
    release_ = manifest.release;
    if (compareVersions(release_->version, settings_.installedVersion) <= 0) {
        setState(UpdateState::UpToDate);
        return;
    }
    if (!release_->package) {
        fail(tr("%1 %2 is available, but not for this platform (%3).")
                 .arg(settings_.applicationName, release_->versionText, settings_.platformKey));
        return;
    }
    setState(UpdateState::UpdateAvailable);
}

void UpdateController::onPackageFetched(const TransferResult &result)
{
    if (result.status != TransferResult::Status::Ok) {
        package_.discard();
        fail(tr("The download failed. %1").arg(result.message));
        return;
    }
    const QString problem = package_.verify(*release_->package, settings_.publicKeys);
    if (!problem.isEmpty()) {
        fail(tr("%1 The download was deleted.").arg(problem));
        return;
    }
    setState(UpdateState::WaitingForExit);
    waitForApplicationExit();
}

void UpdateController::refuseForLackOfKeys()
{
    if (state_ == UpdateState::Checking)
        fail(tr("This build of the updater has no update key, so it refuses every update."));
}

void UpdateController::waitForApplicationExit()
{
    if (state_ != UpdateState::WaitingForExit)
        return;
    if (hooks_.isProcessRunning(settings_.applicationProcessId))
        exitPollTimer_.start();
    else
        handOver();
}

void UpdateController::handOver()
{
    const QString error = hooks_.handOver(package_.packagePath());
    if (!error.isEmpty()) {
        fail(tr("%1 The verified update is kept at %2.")
                 .arg(error, QDir::toNativeSeparators(package_.packagePath())));
        return;
    }
    setState(UpdateState::HandedOver);
}

void UpdateController::setState(UpdateState state)
{
    state_ = state;
    emit stateChanged(state);
}

void UpdateController::fail(const QString &error)
{
    errorText_ = error;
    setState(UpdateState::Failed);
}

} // namespace updater
