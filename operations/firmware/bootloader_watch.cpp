// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware/bootloader_watch.h"

#include "firmware/firmware_tools.h"
#include "programs/programs.h"

namespace firmware {

namespace {

constexpr int pauseBetweenListingsMs = 250;
constexpr int reapLimitMs = 2000;

} // namespace

BootloaderWatch::BootloaderWatch(QObject *parent) : QObject(parent)
{
    deadline_.setSingleShot(true);
    pause_.setSingleShot(true);
    pause_.setInterval(pauseBetweenListingsMs);
    connect(&deadline_, &QTimer::timeout, this, [this] { finish(false); });
    connect(&pause_, &QTimer::timeout, this, &BootloaderWatch::listDevices);
    connect(&lister_, &QProcess::finished, this, &BootloaderWatch::listed);
    // A flasher that cannot be started finds nothing; the next try may.
    connect(&lister_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            listAgainLater();
    });
}

BootloaderWatch::~BootloaderWatch()
{
    stopWatching();
}

void BootloaderWatch::start(int timeoutMs, const QString &serialNumber)
{
    stopWatching();
    watching_ = true;
    serialNumber_ = serialNumber;
    deadline_.start(timeoutMs);
    listDevices();
}

void BootloaderWatch::listDevices()
{
    lister_.start(programs::locate(programs::kFlasherName),
                  flasherArguments(serialNumber_, {"--list"}), QIODevice::ReadOnly);
}

void BootloaderWatch::listed()
{
    if (!isWatching())
        return;
    if (listsDfuDevice(lister_.readAllStandardOutput()))
        finish(true);
    else
        listAgainLater();
}

void BootloaderWatch::listAgainLater()
{
    if (isWatching())
        pause_.start();
}

void BootloaderWatch::stopWatching()
{
    watching_ = false;
    deadline_.stop();
    pause_.stop();
    if (lister_.state() != QProcess::NotRunning) {
        lister_.kill();
        lister_.waitForFinished(reapLimitMs);
    }
}

// Ends a watch under way with its verdict; nothing happens when none is.
void BootloaderWatch::finish(bool found)
{
    if (!isWatching())
        return;
    stopWatching();
    if (found)
        emit appeared();
    else
        emit missing();
}

} // namespace firmware
