#include "firmware_commands.h"

#include "firmwareupgrade.h"
#include "outcometexts.h"

#include <QEventLoop>
#include <QFileInfo>

namespace cli {

namespace {

using FailureText = std::function<QString(const QString &reason)>;

// Runs the upgrade or leave `begin` starts until it ends.
Outcome runToTheEnd(FirmwareUpgrade &upgrade, const std::function<bool()> &begin,
                    const QString &success, const FailureText &failureText)
{
    QEventLoop loop;
    Outcome outcome = succeeded(success);
    QObject::connect(&upgrade, &FirmwareUpgrade::noBootloader, &loop, [&] {
        outcome = failed(ExitCode::NoDevice, outcometexts::noBootloader);
        loop.quit();
    });
    QObject::connect(&upgrade, &FirmwareUpgrade::succeeded, &loop, &QEventLoop::quit);
    QObject::connect(
        &upgrade, &FirmwareUpgrade::failed, &loop, [&](const FirmwareFailure &failure) {
            outcome =
                failed(ExitCode::Failed, failureText(failure.reason), {{"reason", failure.reason}});
            loop.quit();
        });
    if (!begin())
        return failed(ExitCode::Failed, failureText(QStringLiteral("busy")));
    loop.exec();
    return outcome;
}

bool isImageKind(const QString &kind)
{
    return kind == "dfu" || kind == "bin" || kind == "hex";
}

} // namespace

Outcome flashImage(const QString &image, const Console &console)
{
    if (!isImageKind(firmwaretools::imageKind(image)))
        return failed(ExitCode::Usage, image + ": not a .dfu, .bin or .hex image");
    if (!QFileInfo(image).isFile())
        return failed(ExitCode::Usage, image + ": no such file");
    FirmwareUpgrade upgrade;
    QObject::connect(&upgrade, &FirmwareUpgrade::imageWanted, &upgrade,
                     [&] { upgrade.flashImage(image); });
    QObject::connect(&upgrade, &FirmwareUpgrade::imageNoted, &upgrade, console.notice);
    QString phase;
    QObject::connect(&upgrade, &FirmwareUpgrade::phaseChanged, &upgrade, [&](FirmwarePhase now) {
        phase = firmwarePhaseText(now);
        console.progress(phase);
    });
    QObject::connect(
        &upgrade, &FirmwareUpgrade::progress, &upgrade, [&](qint64 done, qint64 total) {
            console.progress(QStringLiteral("%1: %2 of %3 bytes").arg(phase).arg(done).arg(total));
        });
    return runToTheEnd(
        upgrade, [&] { return upgrade.startUpgrade(); }, outcometexts::upgrade.success,
        [](const QString &reason) { return outcometexts::upgradeFailedBecause + reason; });
}

Outcome leaveBootloader()
{
    FirmwareUpgrade upgrade;
    return runToTheEnd(
        upgrade, [&] { return upgrade.startLeave(); }, outcometexts::leaveBootloader.success,
        [](const QString &reason) {
            return QStringLiteral("%1 (%2)").arg(outcometexts::leaveBootloader.failure, reason);
        });
}

} // namespace cli
