// SPDX-License-Identifier: GPL-3.0-or-later
#include "updater_window.h"

#include "exit_code.h"

#include <QCloseEvent>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace updater {

namespace {

// Whether the window belongs on screen in this state. Once shown, it stays.
bool windowWanted(DisplayMode mode, UpdateState state, bool alreadyVisible)
{
    return mode == DisplayMode::Show || alreadyVisible || state == UpdateState::UpdateAvailable;
}

int exitCodeFor(UpdateState state)
{
    return static_cast<int>(state == UpdateState::Failed ? ExitCode::Failed : ExitCode::Ok);
}

} // namespace

UpdaterWindow::UpdaterWindow(UpdateController *controller, const UpdaterArguments &arguments,
                             QWidget *parent)
    : QWidget(parent), controller_(controller), arguments_(arguments), status_(new QLabel(this)),
      notes_(new QPlainTextEdit(this)), progress_(new QProgressBar(this)),
      download_(new QPushButton(tr("Download"), this)),
      cancel_(new QPushButton(tr("Cancel"), this)), close_(new QPushButton(tr("Close"), this))
{
    setWindowTitle(tr("%1 Update").arg(arguments_.applicationName));
    status_->setWordWrap(true);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    notes_->setReadOnly(true); // plain text: release notes come from the network
    notes_->setMinimumSize(420, 160);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(download_);
    buttons->addWidget(cancel_);
    buttons->addWidget(close_);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(status_);
    layout->addWidget(notes_);
    layout->addWidget(progress_);
    layout->addLayout(buttons);

    connect(download_, &QPushButton::clicked, controller_, &UpdateController::download);
    connect(cancel_, &QPushButton::clicked, controller_, &UpdateController::cancel);
    connect(close_, &QPushButton::clicked, this, &QWidget::close);
    connect(controller_, &UpdateController::stateChanged, this, &UpdaterWindow::onStateChanged);
    connect(controller_, &UpdateController::downloadProgress, this, &UpdaterWindow::onProgress);
    onStateChanged(controller_->state());
}

void UpdaterWindow::closeEvent(QCloseEvent *event)
{
    event->accept();
    finish();
}

void UpdaterWindow::onStateChanged(UpdateState state)
{
    if (finished_)
        return;
    showTexts(state);
    showButtons(state);
    if (state == UpdateState::HandedOver) {
        // Leave at once so the installer can replace this program too.
        finish();
        hide();
        return;
    }
    if (windowWanted(arguments_.displayMode, state, isVisible())) {
        show();
        return;
    }
    if (state == UpdateState::UpToDate || state == UpdateState::Failed)
        finish();
}

void UpdaterWindow::onProgress(qint64 received, qint64 total)
{
    progress_->setRange(0, 1000);
    progress_->setValue(total > 0 ? int(received * 1000 / total) : 0);
}

void UpdaterWindow::showTexts(UpdateState state)
{
    const QString &name = arguments_.applicationName;
    const std::optional<ReleaseInfo> &release = controller_->release();
    const QString latest = release ? release->versionText : QString();
    switch (state) {
    case UpdateState::Idle:
    case UpdateState::Checking:
        status_->setText(tr("Checking for a newer version of %1…").arg(name));
        break;
    case UpdateState::UpToDate:
        status_->setText(tr("%1 is up to date.\n%2").arg(name, installedText()));
        break;
    case UpdateState::UpdateAvailable:
        status_->setText(tr("%1 %2 is available.\n%3").arg(name, latest, installedText()));
        break;
    case UpdateState::Downloading:
        status_->setText(tr("Downloading %1 %2…").arg(name, latest));
        break;
    case UpdateState::WaitingForExit:
        status_->setText(tr("The download is verified. Please close %1; the update continues "
                            "as soon as %1 has exited.")
                             .arg(name));
        break;
    case UpdateState::HandedOver:
        status_->setText(tr("The update has been handed over."));
        break;
    case UpdateState::Failed:
        status_->setText(controller_->errorText());
        break;
    }
    notes_->setPlainText(release ? release->releaseNotes : QString());
}

void UpdaterWindow::showButtons(UpdateState state)
{
    const bool offered = state == UpdateState::UpdateAvailable;
    const bool busy = state == UpdateState::Downloading || state == UpdateState::WaitingForExit;
    notes_->setVisible(offered || busy);
    progress_->setVisible(busy);
    if (state == UpdateState::Checking || state == UpdateState::UpdateAvailable)
        progress_->reset();
    download_->setVisible(offered);
    cancel_->setVisible(busy);
    close_->setVisible(!busy);
    if (offered)
        download_->setDefault(true);
}

QString UpdaterWindow::installedText() const
{
    return tr("Installed: %1 in %2")
        .arg(arguments_.versionText, QDir::toNativeSeparators(arguments_.applicationDirectory));
}

void UpdaterWindow::finish()
{
    if (finished_)
        return;
    finished_ = true;
    const int exitCode = exitCodeFor(controller_->state());
    controller_->cancel(); // a running download stops and its file is removed
    emit finished(exitCode);
}

} // namespace updater
