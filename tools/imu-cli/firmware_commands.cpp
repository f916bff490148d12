// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware_commands.h"

#include "firmware/firmware_upgrade.h"
#include "outcome/outcome_texts.h"

#include <QEventLoop>
#include <QFileInfo>

namespace cli {

namespace {

using FailureText = std::function<QString(const QString &reason)>;

// Runs the upgrade or leave `begin` starts until it ends.
Outcome runToTheEnd(firmware::FirmwareUpgrade &upgrade, const std::function<bool()> &begin,
                    const QString &success, const FailureText &failureText)
{
    QEventLoop loop;
    Outcome outcome = succeeded(success);
    QObject::connect(&upgrade, &firmware::FirmwareUpgrade::noBootloader, &loop, [&] {
        outcome = failed(ExitCode::NoDevice, outcome::kNoBootloader);
        loop.quit();
    });
    QObject::connect(&upgrade, &firmware::FirmwareUpgrade::succeeded, &loop, &QEventLoop::quit);
    QObject::connect(&upgrade, &firmware::FirmwareUpgrade::failed, &loop,
                     [&](const firmware::FirmwareFailure &failure) {
                         outcome = failed(ExitCode::Failed, failureText(failure.reason),
                                          {{"reason", failure.reason}});
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

std::optional<Outcome> refusedImage(const QString &image)
{
    if (!isImageKind(firmware::imageKind(image)))
        return failed(ExitCode::Usage, image + ": not a .dfu, .bin or .hex image");
    if (!QFileInfo(image).isFile())
        return failed(ExitCode::Usage, image + ": no such file");
    return std::nullopt;
}

Outcome flashImage(const QString &image, const Console &console)
{
    if (const auto refusal = refusedImage(image))
        return *refusal;
    firmware::FirmwareUpgrade upgrade;
    QObject::connect(&upgrade, &firmware::FirmwareUpgrade::imageWanted, &upgrade,
                     [&] { upgrade.flashImage(image); });
    QObject::connect(&upgrade, &firmware::FirmwareUpgrade::imageNoted, &upgrade, console.notice);
    QString phase;
    QObject::connect(&upgrade, &firmware::FirmwareUpgrade::phaseChanged, &upgrade,
                     [&](firmware::FirmwarePhase now) {
                         phase = firmware::firmwarePhaseText(now);
                         console.progress(phase);
                     });
    QObject::connect(
        &upgrade, &firmware::FirmwareUpgrade::progress, &upgrade, [&](qint64 done, qint64 total) {
            console.progress(QStringLiteral("%1: %2 of %3 bytes").arg(phase).arg(done).arg(total));
        });
    return runToTheEnd(
        upgrade, [&] { return upgrade.startUpgrade(); }, outcome::kUpgrade.success,
        [](const QString &reason) { return outcome::kUpgradeFailedBecause + reason; });
}

Outcome leaveBootloader()
{
    firmware::FirmwareUpgrade upgrade;
    return runToTheEnd(
        upgrade, [&] { return upgrade.startLeave(); }, outcome::kLeaveBootloader.success,
        [](const QString &reason) {
            return QStringLiteral("%1 (%2)").arg(outcome::kLeaveBootloader.failure, reason);
        });
}

} // namespace cli
