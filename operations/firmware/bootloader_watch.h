// SPDX-License-Identifier: GPL-3.0-or-later
// Confirms that the module's DFU bootloader appeared after the module was told
// to jump into it: lists the DFU devices again and again, without blocking the
// event loop, until the listing names the bootloader or the time is up.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QProcess>
#include <QTimer>

namespace firmware {

class BootloaderWatch : public QObject
{
    Q_OBJECT

public:
    // A module needs a second or two to restart and present its bootloader.
    static constexpr int kDefaultTimeoutMs = 6000;

    explicit BootloaderWatch(QObject *parent = nullptr);
    ~BootloaderWatch() override;

    // The thread it lives in. Starts watching, for the bootloader with the USB
    // serial number `serialNumber` when it is not empty; a watch under way
    // starts over.
    void start(int timeoutMs = kDefaultTimeoutMs, const QString &serialNumber = {});
    bool isWatching() const { return watching_; }

signals:
    void appeared();
    void missing();

private:
    void listDevices();
    void listed();
    void listAgainLater();
    void stopWatching();
    void finish(bool found);

    QProcess lister_;
    QTimer deadline_;
    QTimer pause_;
    bool watching_ = false;
    QString serialNumber_;
};

} // namespace firmware
