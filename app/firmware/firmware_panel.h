// SPDX-License-Identifier: GPL-3.0-or-later
// The module's DFU bootloader: the jump into it and the way out, the firmware
// upgrade with its progress dialog, and .dfu files packed from .hex or .bin.
#pragma once

#include "firmware/bootloader_watch.h"
#include "firmware/firmware_upgrade.h"
#include "imuserial.h"
#include "prompts/prompter.h"

#include <QObject>

class QAbstractButton;
class QProgressDialog;
class QWidget;

namespace firmware {

class FirmwarePanel : public QObject
{
    Q_OBJECT

public:
    // `window` parents the file dialogs; `progress` shows the upgrade's phases;
    // `connectButton` is the link's Connect button.
    FirmwarePanel(QWidget &window, IMUserial::IMUSerial &device, QProgressDialog &progress,
                  QAbstractButton &connectButton, prompts::Prompter prompter);

    void jumpToBootloader();
    // A click while a run is under way is ignored by both.
    void leaveBootloader();
    void upgrade();
    void packFile();

signals:
    // The link is to be opened (true) or closed, as by a click on the
    // Connect button.
    void connectClicked(bool open);

private:
    void bootloaderMissing();
    void chooseImage();
    void showPhase(FirmwarePhase phase);
    void showProgress(qint64 done, qint64 total);
    void runSucceeded();
    void runFailed(const FirmwareFailure &failure);

    QWidget &window_;
    IMUserial::IMUSerial &device_;
    QProgressDialog &progress_;
    QAbstractButton &connectButton_;
    prompts::Prompter prompter_;
    // Confirms a jump to the bootloader.
    BootloaderWatch bootloaderWatch_;
    // Upgrades the firmware or leaves the bootloader; the run under way is
    // an upgrade, else a leave.
    FirmwareUpgrade firmwareUpgrade_{this};
    bool upgrading_ = false;
};

} // namespace firmware
