// SPDX-License-Identifier: GPL-3.0-or-later
#include "station_unit.h"

#include "module_commands.h"

#include "firmware/firmware_tools.h"
#include "firmware/firmware_upgrade.h"
#include "outcome/command_outcome.h"
#include "outcome/outcome_texts.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <memory>

namespace cli {

namespace {

// A restarted module presents its serial port again within a few seconds.
constexpr int kPortReturnMs = 20000;
constexpr int kLookAgainMs = 200;

struct StepResult
{
    bool passed = false;
    QString reason;
};

StepResult passed(const QString &what = {})
{
    return {true, what};
}

StepResult failedWith(const QString &reason)
{
    return {false, reason};
}

class UnitRun
{
public:
    explicit UnitRun(const UnitJob &job) : job_(job)
    {
        record_.unitId = job.unit.unitId;
        record_.port = job.unit.port;
        record_.image = job.image;
    }

    UnitRecord run()
    {
        const bool flash = !job_.options.image.isEmpty();
        const bool number = !job_.unit.serialNumber.isEmpty();
        const bool gyroBias = job_.options.gyroBias.has_value();
        if (step("identify",
                 [this] { return identify(record_.versionBefore, record_.serialNumberBefore); }) &&
            (!flash || step("flash", [this] { return flashImage(); })) &&
            (!number || step("serial-number", [this] { return storeSerialNumber(); })) &&
            (!gyroBias || step("gyro-bias", [this] { return measureBias(); })))
            step("final-identify", [this] { return identifyAgain(); });
        device_.reset();
        job_.show(record_.passed() ? "passed"
                                   : "FAILED at " + record_.failedStep() + ": " + record_.reason(),
                  true);
        return record_;
    }

private:
    template <class Body> bool step(const QString &name, Body body)
    {
        job_.show(name, true);
        StepRecord step{name, false, {}, QDateTime::currentDateTimeUtc(), 0};
        QElapsedTimer clock;
        clock.start();
        const StepResult result = interruptionsSoFar() == job_.interruptionsAtStart
                                      ? body()
                                      : failedWith(QString::fromLatin1(interrupted));
        step.passed = result.passed;
        step.reason = result.reason;
        step.seconds = double(clock.elapsed()) / 1000;
        record_.steps.append(step);
        return result.passed;
    }

    StepResult identify(QString &version, QString &serialNumber)
    {
        if (!device_)
            device_ = openModule(record_.port);
        if (!device_)
            return failedWith("cannot open the module on " + record_.port);
        const Outcome versionRead = readVersion(*device_);
        if (!versionRead.ok())
            return failedWith(versionRead.message);
        const Outcome serialRead = readSerialNumber(*device_);
        if (!serialRead.ok())
            return failedWith(serialRead.message);
        version = versionRead.data["version"].toString();
        serialNumber = serialRead.data["serial_number"].toString();
        return passed(version + " " + serialNumber);
    }

    StepResult flashImage()
    {
        if (const StepResult jumped = jumpToBootloader(); !jumped.passed)
            return jumped;
        if (!bootloaderAppeared())
            return failedWith("no bootloader with serial number " + record_.unitId +
                              " appeared: nothing was flashed");
        QString stated;
        if (const StepResult flashed = runUpgrade(stated); !flashed.passed)
            return flashed;
        if (!portReturned())
            return failedWith("the module's serial port did not return within " +
                              QString::number(kPortReturnMs / 1000) + " s after the flash");
        const Outcome versionRead = readVersion(*device_);
        if (!versionRead.ok())
            return failedWith(versionRead.message);
        const QString reported = versionRead.data["version"].toString();
        if (!stated.isEmpty() && reported != stated)
            return failedWith("the image states version " + stated + ", the module reports " +
                              reported);
        expectedVersion_ = stated;
        return passed(stated.isEmpty()
                          ? "the image states no version; the module reports " + reported
                          : "version " + reported + " read back");
    }

    StepResult jumpToBootloader()
    {
        job_.show("flash: jumping to the bootloader", false);
        device_->stopRecv();
        const bool refused = !outcome::run([&] { return device_->JumpDFU(); });
        if (refused && device_->isDeivceOpen())
            return failedWith(outcome::kJumpToBootloader.failure);
        device_.reset();
        return passed();
    }

    bool bootloaderAppeared()
    {
        job_.show("flash: waiting for its bootloader", false);
        return bootloaderAppears(record_.unitId);
    }

    // Converts when needed, checks, flashes and leaves, on this unit's
    // bootloader only. `stated` gets the version the image states.
    StepResult runUpgrade(QString &stated)
    {
        firmware::FirmwareUpgrade upgrade;
        upgrade.setDeviceSerialNumber(record_.unitId);
        QEventLoop loop;
        StepResult result = passed();
        QString phase;
        QObject::connect(&upgrade, &firmware::FirmwareUpgrade::imageWanted, &loop,
                         [&] { upgrade.flashImage(job_.options.image); });
        QObject::connect(&upgrade, &firmware::FirmwareUpgrade::imageNoted, &loop,
                         [&](const QString &note) {
                             stated = firmware::versionInImageNote(note).value_or(QString());
                         });
        QObject::connect(&upgrade, &firmware::FirmwareUpgrade::phaseChanged, &loop,
                         [&](firmware::FirmwarePhase now) {
                             phase = firmware::firmwarePhaseText(now);
                             job_.show("flash: " + phase, false);
                         });
        QObject::connect(
            &upgrade, &firmware::FirmwareUpgrade::progress, &loop, [&](qint64 done, qint64 total) {
                const qint64 percent = total > 0 ? done * 100 / total : 0;
                job_.show(QStringLiteral("flash: %1 %2%").arg(phase).arg(percent), false);
            });
        QObject::connect(&upgrade, &firmware::FirmwareUpgrade::noBootloader, &loop, [&] {
            result = failedWith("the bootloader with serial number " + record_.unitId +
                                " went away before the flash");
            loop.quit();
        });
        QObject::connect(&upgrade, &firmware::FirmwareUpgrade::failed, &loop,
                         [&](const firmware::FirmwareFailure &failure) {
                             result = failedWith(outcome::kUpgradeFailedBecause + failure.reason);
                             loop.quit();
                         });
        QObject::connect(&upgrade, &firmware::FirmwareUpgrade::succeeded, &loop, &QEventLoop::quit);
        upgrade.startUpgrade();
        loop.exec();
        return result;
    }

    // The unit's serial port, found again by its unit ID (its name may
    // differ after the restart), and opened.
    bool portReturned()
    {
        job_.show("flash: waiting for its serial port to return", false);
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < kPortReturnMs) {
            for (const FoundModule &module : job_.discoverModules())
                if (module.unitId.compare(record_.unitId, Qt::CaseInsensitive) == 0) {
                    record_.port = module.port;
                    device_ = openModule(module.port);
                    if (device_)
                        return true;
                }
            QThread::msleep(kLookAgainMs);
        }
        return false;
    }

    StepResult storeSerialNumber()
    {
        const Outcome written = writeSerialNumber(*device_, job_.unit.serialNumber);
        return written.ok() ? passed(written.message) : failedWith(written.message);
    }

    StepResult measureBias()
    {
        Console console;
        console.progress = [this](const QString &line) { job_.show("gyro-bias: " + line, false); };
        const Outcome measured = measureGyroBias(*device_, *job_.options.gyroBias, console);
        return measured.ok() ? passed(measured.message) : failedWith(measured.message);
    }

    StepResult identifyAgain()
    {
        if (const StepResult read = identify(record_.versionAfter, record_.serialNumberAfter);
            !read.passed)
            return read;
        const QString &wanted = job_.unit.serialNumber;
        if (!wanted.isEmpty() && record_.serialNumberAfter != wanted)
            return failedWith("serial number " + record_.serialNumberAfter + ", not " + wanted);
        if (!expectedVersion_.isEmpty() && record_.versionAfter != expectedVersion_)
            return failedWith("version " + record_.versionAfter + ", not " + expectedVersion_);
        return passed(record_.versionAfter + " " + record_.serialNumberAfter);
    }

    const UnitJob &job_;
    UnitRecord record_;
    std::unique_ptr<IMUserial::IMUSerial> device_;
    QString expectedVersion_; // the flashed image's, once flashed
};

} // namespace

UnitRecord runUnit(const UnitJob &job)
{
    return UnitRun(job).run();
}

} // namespace cli
