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
    deadline.setSingleShot(true);
    pause.setSingleShot(true);
    pause.setInterval(pauseBetweenListingsMs);
    connect(&deadline, &QTimer::timeout, this, [this] { finish(false); });
    connect(&pause, &QTimer::timeout, this, &BootloaderWatch::listDevices);
    connect(&lister, &QProcess::finished, this, &BootloaderWatch::listed);
    // A flasher that cannot be started finds nothing; the next try may.
    connect(&lister, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            listAgainLater();
    });
}

BootloaderWatch::~BootloaderWatch()
{
    stopWatching();
}

void BootloaderWatch::start(int timeoutMs)
{
    stopWatching();
    watching = true;
    deadline.start(timeoutMs);
    listDevices();
}

void BootloaderWatch::listDevices()
{
    lister.start(programs::locate(programs::kFlasherName), {"--list"}, QIODevice::ReadOnly);
}

void BootloaderWatch::listed()
{
    if (!isWatching())
        return;
    if (listsDfuDevice(lister.readAllStandardOutput()))
        finish(true);
    else
        listAgainLater();
}

void BootloaderWatch::listAgainLater()
{
    if (isWatching())
        pause.start();
}

void BootloaderWatch::stopWatching()
{
    watching = false;
    deadline.stop();
    pause.stop();
    if (lister.state() != QProcess::NotRunning) {
        lister.kill();
        lister.waitForFinished(reapLimitMs);
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
