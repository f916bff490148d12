// SPDX-License-Identifier: GPL-3.0-or-later
// A tray of simulated modules sharing one rendezvous folder, set up by the
// station: each unit flashed only through its own bootloader, numbered, and
// reported; a failure stays with its unit.
#include "cli_program.h"

#include <application_image.h>
#include <memory_layout.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>

namespace {

using cli::testing::CliProgram;
using imusim::testing::SimulatorProcess;

constexpr std::size_t kImageBytes = 16 * 1024;

// What one unit of a tray does and what the station must make of it.
struct Unit
{
    std::string unitId;
    std::vector<std::string> faults;
    std::string failedStep; // empty: passes
    std::string reason;     // a part of the reason it fails for
    enum Flash
    {
        Whole,
        None,
        Part
    } flash;
};

struct Tray
{
    const char *name;
    std::vector<Unit> units;
    int exitCode;
};

const char *const kUid[] = {"0000000000000000000000A1", "0000000000000000000000A2",
                            "0000000000000000000000A3", "0000000000000000000000A4"};

class TrayOfSimulators : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        ASSERT_TRUE(QDir().mkdir(folder.filePath("hub")));
        ASSERT_TRUE(QFile::setPermissions(folder.filePath("hub"),
                                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        const auto image =
            dfusim::makeApplicationImage(dfu::kApplicationAddress, {2, 0, 1}, kImageBytes);
        QFile file(folder.filePath("fw.bin"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char *>(image.data()), qint64(image.size()));
    }

    void startTray(const std::vector<Unit> &units)
    {
        for (const Unit &unit : units) {
            std::vector<std::string> arguments{"--uid", unit.unitId};
            arguments.insert(arguments.end(), unit.faults.begin(), unit.faults.end());
            simulators.push_back(std::make_unique<SimulatorProcess>(
                arguments, folder.filePath("hub").toStdString()));
            ASSERT_TRUE(simulators.back()->started());
        }
    }

    cli::testing::CliResult station(const QStringList &arguments)
    {
        CliProgram program(simulators.front().get());
        program.start(QStringList{"--json", "station"} + arguments);
        return program.finish();
    }

    QString serialNumberOf(const SimulatorProcess &simulator)
    {
        CliProgram program(&simulator);
        program.start(QStringList{"--json", "sn", "get", "--port",
                                  QString::fromStdString(simulator.devicePath())});
        return program.finish().json()["serial_number"].toString();
    }

    QTemporaryDir folder;
    std::vector<std::unique_ptr<SimulatorProcess>> simulators;
};

class Station : public TrayOfSimulators, public ::testing::WithParamInterface<Tray>
{
};

TEST_F(TrayOfSimulators, StoppedMidMeasurementEveryUnitEndsAndIsReported)
{
    startTray({{kUid[0], {}, "", "", Unit::None}, {kUid[1], {}, "", "", Unit::None}});
    CliProgram program(simulators.front().get());
    program.start(QStringList{"--json", "station", "--gyro-bias", "600", "--report",
                              folder.filePath("report")});
    for (const char *unitId : {kUid[0], kUid[1]})
        ASSERT_TRUE(program.waitForError(QString(unitId) + "  gyro-bias")) << unitId;
    program.terminate();
    const auto result = program.finish();
    EXPECT_EQ(result.exitCode, 1) << result.err.toStdString();
    for (const QJsonValue &unit : result.json()["units"].toArray()) {
        EXPECT_EQ(unit.toObject()["failed_step"].toString(), "gyro-bias");
        EXPECT_EQ(unit.toObject()["reason"].toString(), "Interrupted");
    }
    EXPECT_EQ(result.json()["failed"].toInt(), 2);
}

TEST_P(Station, EachUnitGetsItsOwnImageAndNumberAndAFailureStaysWithItsUnit)
{
    const Tray &tray = GetParam();
    startTray(tray.units);
    const auto result = station({"--flash", folder.filePath("fw.bin"), "--sn", "ORV{seq:06}",
                                 "--report", folder.filePath("report")});
    ASSERT_EQ(result.exitCode, tray.exitCode)
        << result.out.toStdString() << result.err.toStdString();

    const QJsonArray units = result.json()["units"].toArray();
    ASSERT_EQ(units.size(), qsizetype(tray.units.size())) << result.out.toStdString();
    QStringList summary = QString::fromUtf8([&] {
                              QFile file(folder.filePath("report/summary.csv"));
                              return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
                          }())
                              .split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(summary.size(), qsizetype(tray.units.size()) + 1) << "a header and a row per unit";
    for (std::size_t i = 0; i < tray.units.size(); ++i) {
        const Unit &unit = tray.units[i];
        const auto reported = std::find_if(units.begin(), units.end(), [&](const QJsonValue &u) {
            return u.toObject()["uid"].toString().toStdString() == unit.unitId;
        });
        ASSERT_NE(reported, units.end()) << unit.unitId;
        const QJsonObject report = reported->toObject();
        EXPECT_EQ(report["failed_step"].toString().toStdString(), unit.failedStep) << unit.unitId;
        EXPECT_TRUE(report["reason"].toString().contains(QString::fromStdString(unit.reason)))
            << unit.unitId << ": " << report["reason"].toString().toStdString();
        const bool passed = unit.failedStep.empty();
        EXPECT_EQ(QFile::exists(
                      folder.filePath("report/" + QString::fromStdString(unit.unitId) + ".json")),
                  unit.failedStep != "refused")
            << unit.unitId;
        if (passed) {
            // Numbered in unit ID order, over the whole tray.
            const auto sequence = std::find(std::begin(kUid), std::end(kUid), unit.unitId);
            EXPECT_EQ(report["version"].toString(), "2.0.1");
            EXPECT_EQ(
                report["serial_number"].toString(),
                QStringLiteral("ORV%1").arg(sequence - std::begin(kUid) + 1, 6, 10, QChar('0')));
        }
        if (unit.flash == Unit::None) {
            EXPECT_EQ(serialNumberOf(*simulators[i]), "ORV000001") << "untouched: " << unit.unitId;
        }
    }
    // Each simulator tells what reached its own flash.
    for (std::size_t i = 0; i < tray.units.size(); ++i) {
        ASSERT_TRUE(simulators[i]->stop(SIGTERM, std::chrono::seconds(20)));
        const auto written = simulators[i]->flashBytesWritten();
        ASSERT_TRUE(written) << simulators[i]->errorOutput();
        switch (tray.units[i].flash) {
        case Unit::Whole:
            EXPECT_EQ(*written, kImageBytes) << tray.units[i].unitId;
            break;
        case Unit::None:
            EXPECT_EQ(*written, 0u) << tray.units[i].unitId;
            break;
        case Unit::Part:
            EXPECT_LT(*written, kImageBytes) << tray.units[i].unitId;
            break;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Trays, Station,
    ::testing::Values(
        Tray{"FourGoodUnits",
             {{kUid[2], {}, "", "", Unit::Whole},
              {kUid[0], {}, "", "", Unit::Whole},
              {kUid[3], {}, "", "", Unit::Whole},
              {kUid[1], {}, "", "", Unit::Whole}},
             0},
        Tray{"AJumpRefusedAndABootloaderThatHangs",
             {{kUid[0], {}, "", "", Unit::Whole},
              {kUid[1], {"--fail", "jump-dfu"}, "flash", "Jump to DFU FAIL", Unit::None},
              {kUid[2], {"--bootloader-stall-at", "8192"}, "flash", "DFU Fail: ", Unit::Part},
              {kUid[3], {}, "", "", Unit::Whole}},
             1},
        Tray{"TwoClones",
             {{kUid[0],
               {},
               "refused",
               "two modules report the unit ID 0000000000000000000000A1: clones or a fault; "
               "neither was touched",
               Unit::None},
              {kUid[0], {}, "refused", "neither was touched", Unit::None}},
             1}),
    [](const ::testing::TestParamInfo<Tray> &info) { return std::string(info.param.name); });

} // namespace
