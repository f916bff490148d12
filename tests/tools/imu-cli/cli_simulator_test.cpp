// SPDX-License-Identifier: GPL-3.0-or-later
// orvik-imu-cli as a script runs it, against running simulators.
#include "application_image.h"
#include "cli_program.h"
#include "memory_layout.h"
#include "recording/killed_recording.h"
#include "support/simulator_process.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>
#include <memory>
#include <numeric>

using imusim::testing::SimulatorProcess;
using namespace cli::testing;

namespace {

// The rows of a CSV file after its header; each row's index, time and the
// samples missed before it (the last column).
struct Rows
{
    QStringList header;
    std::vector<qint64> index;
    std::vector<double> seconds;
    std::vector<qint64> missedBefore;
};

Rows readRows(const QString &path)
{
    Rows rows;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return rows;
    rows.header = QString::fromUtf8(file.readLine()).trimmed().split(',');
    while (!file.atEnd()) {
        const QByteArray line = file.readLine();
        const qsizetype first = line.indexOf(',');
        const qsizetype second = line.indexOf(',', first + 1);
        rows.index.push_back(line.left(first).toLongLong());
        rows.seconds.push_back(line.mid(first + 1, second - first - 1).toDouble());
        rows.missedBefore.push_back(line.mid(line.lastIndexOf(',') + 1).trimmed().toLongLong());
    }
    return rows;
}

// Indices from 0 without a gap, times never going back.
void expectComplete(const Rows &rows)
{
    for (std::size_t i = 0; i < rows.index.size(); ++i) {
        ASSERT_EQ(rows.index[i], qint64(i));
        if (i > 0) {
            ASSERT_GE(rows.seconds[i], rows.seconds[i - 1]) << i;
        }
    }
}

// The host lost nothing the module sent: every sent sample is a row. What the
// module counted but did not send (--skip-samples, or a simulator held up on
// a loaded machine) is missed, as the JSON and the rows say; gaps of 256 or
// more count modulo 256, and skips before the first row go unseen.
void expectNothingLostByTheHost(const Rows &rows, const QJsonObject &json,
                                const SimulatorProcess &simulator)
{
    expectComplete(rows);
    const auto module = simulator.sampleCounts();
    ASSERT_TRUE(module) << simulator.errorOutput();
    EXPECT_EQ(rows.index.size(), module->sent);
    const qint64 missed = json["missed"].toInteger(-1);
    EXPECT_EQ(std::accumulate(rows.missedBefore.begin(), rows.missedBefore.end(), qint64(0)),
              missed);
    EXPECT_GT(missed, 0);
    EXPECT_LE(std::uint64_t(missed), module->skipped);
}

class CliSimulator : public ::testing::Test
{
protected:
    void start(const std::vector<std::string> &arguments = {})
    {
        simulator = std::make_unique<SimulatorProcess>(arguments);
        ASSERT_TRUE(simulator->started());
    }
    CliResult cli(const QString &arguments) { return runCli(simulator.get(), arguments); }
    QString path(const char *name) const { return folder.filePath(name); }
    QString device() const { return QString::fromStdString(simulator->devicePath()); }

    std::unique_ptr<SimulatorProcess> simulator;
    QTemporaryDir folder;
};

} // namespace

TEST_F(CliSimulator, IdentityAndOffsetCommandsPrintTheWindowsWordsAndExitZero)
{
    start({"--uid", "0039001a3437510b37363934"});
    const struct
    {
        const char *arguments;
        int exitCode;
        const char *output;
    } steps[] = {
        {"version", 0, "Version: 1.4.2\n"},
        {"sn get", 0, "Get SN: ORV000001\n"},
        {"sn set ABC123XYZ", 0, "Set SN: ABC123XYZ\n"},
        {"sn get", 0, "Get SN: ABC123XYZ\n"},
        {"quat-offset record", 0, "Record Quaternion Offset SUCCESS\n"},
        {"quat-offset reset", 0, "Reset Quaternion Offset SUCCESS\n"},
        {"calibration clear", 0, "Clear Success\n"},
    };
    for (const auto &step : steps) {
        const CliResult result = cli(step.arguments);
        EXPECT_EQ(result.exitCode, step.exitCode) << step.arguments << result.err.toStdString();
        EXPECT_EQ(result.out, step.output) << step.arguments;
    }
    const CliResult list = cli("list");
    EXPECT_EQ(list.exitCode, 0);
    EXPECT_EQ(list.out, device() + '\n');
    const QJsonObject probed = cli("list --probe --json").json();
    const QJsonObject module = probed["modules"][0].toObject();
    EXPECT_EQ(module["port"], device());
    EXPECT_EQ(module["version"], "1.4.2");
    EXPECT_EQ(module["serial_number"], "ABC123XYZ");
    EXPECT_EQ(module["uid"], "0039001A3437510B37363934");
    EXPECT_EQ(cli("list --probe").out, device() + "\t1.4.2\tABC123XYZ\t0039001A3437510B37363934\n");
    const QJsonObject version = cli("--json version --port " + device()).json();
    EXPECT_EQ(version["version"], "1.4.2");
    EXPECT_EQ(version["ok"], true);
    EXPECT_EQ(version["exit_code"], 0);
}

TEST_F(CliSimulator, RefusalsUsageAndMissingModulesHaveTheirExitCodes)
{
    start({"--fail", "record-quat-offset", "--pretend", "set-sn"});
    const struct
    {
        const char *arguments;
        int exitCode;
        const char *error;
    } steps[] = {
        {"quat-offset record", 1, "Record Quaternion Offset FAIL"},
        {"sn set ABC123XYZ", 1, "Set SN FAIL"},
        {"sn set abc", 2, "nine characters"},
        {"frobnicate", 2, "unknown command"},
        {"version --port /dev/orvik-imu-nowhere", 3, "cannot open"},
        {"flash image.elf", 2, "not a .dfu, .bin or .hex image"},
        {"station --sn ORV{seq:07}", 2, "gives \"ORV0000001\""},
        {"station --ports /dev/orvik-imu-nowhere", 1, "no module found at /dev/orvik-imu-nowhere"},
    };
    for (const auto &step : steps) {
        const CliResult result = cli(step.arguments);
        EXPECT_EQ(result.exitCode, step.exitCode) << step.arguments;
        EXPECT_TRUE(result.err.contains(step.error))
            << step.arguments << ": " << result.err.toStdString();
        EXPECT_TRUE(result.out.isEmpty()) << step.arguments;
    }
    simulator.reset();
    const CliResult none = cli("version");
    EXPECT_EQ(none.exitCode, 3);
    EXPECT_EQ(cli("list").exitCode, 3);
    EXPECT_EQ(cli("station").exitCode, 3);
}

TEST_F(CliSimulator, CalibrationWrittenFromAFileReadsBackTheSame)
{
    start();
    QFile in(path("in.json"));
    ASSERT_TRUE(in.open(QIODevice::WriteOnly));
    in.write(
        R"({"imu1": {"gyr_bias": [0.35, -0.22, 0.12], "gyr_mis": [1, 0.01, 0, 0, 1, 0, 0, 0, 1],
                           "acc_bias": [0.05, -0.03, 0.08], "acc_mis": [1, 0, 0, 0, 1, 0, 0, 0, 1]},
                 "imu2": {"gyr_bias": [-0.18, 0.41, -0.27], "gyr_mis": [1, 0, 0, 0, 1, 0, 0, 0, 1],
                           "acc_bias": [-0.06, 0.04, -0.02], "acc_mis": [1, 0, 0, 0, 1, 0, 0, 0, 0.99]},
                 "mag": {"mag_bias": [12, -7, 4], "mag_mis": [1, 0, 0, 0, 1, 0, 0, 0, 1],
                         "mag_radii": [48.3, 48.3, 48.3]}})");
    in.close();
    const CliResult write = cli("calibration write " + path("in.json"));
    ASSERT_EQ(write.exitCode, 0) << write.err.toStdString();
    EXPECT_EQ(write.out, "Write Calibration SUCCESS\n");
    ASSERT_EQ(cli("calibration read " + path("out.json")).exitCode, 0);
    QFile inAgain(path("in.json")), out(path("out.json"));
    ASSERT_TRUE(inAgain.open(QIODevice::ReadOnly) && out.open(QIODevice::ReadOnly));
    // Compared as numbers: what the file said, as floats, is what came back.
    const QJsonObject wanted = QJsonDocument::fromJson(inAgain.readAll()).object();
    const QJsonObject got = QJsonDocument::fromJson(out.readAll()).object();
    for (const QString &set : wanted.keys()) {
        for (const QString &field : wanted[set].toObject().keys()) {
            const QJsonArray a = wanted[set][field].toArray(), b = got[set][field].toArray();
            ASSERT_EQ(a.size(), b.size()) << set.toStdString() << field.toStdString();
            for (qsizetype i = 0; i < a.size(); ++i)
                EXPECT_EQ(float(a[i].toDouble()), float(b[i].toDouble()))
                    << set.toStdString() << '.' << field.toStdString() << i;
        }
    }
}

TEST_F(CliSimulator, GyroBiasRecoversTheTrueBiasOfChipOne)
{
    start({"--still"});
    ASSERT_EQ(cli("calibration clear").exitCode, 0);
    // The module averages for as long as the operator holds it still.
    const CliResult result = cli("--json gyro-bias --hold 1.2");
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.err.contains("Keep the module still"));
    const QJsonArray bias = result.json()["gyr_bias1"].toArray();
    ASSERT_EQ(bias.size(), 3) << result.out.toStdString();
    const double trueBias[3] = {0.35, -0.22, 0.12};
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(bias[i].toDouble(), trueBias[i], 0.03) << i;
}

// Ten seconds of a 1000 samples/s stream from a module that leaves out a few:
// every sample it sent is a row. Judged against the module's own counts, not
// the rows' time span, which a loaded host or a held-up simulator stretches
// without the host losing a sample.
TEST_F(CliSimulator, RecordingTenSecondsAtAThousandAHertzLosesNothing)
{
    start({"--rate", "1000", "--skip-samples", "0.002"});
    const CliResult result = cli("--json record --seconds 10 --out " + path("run.csv"));
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.err.isEmpty()) << "no progress unless stderr is a terminal";
    const Rows rows = readRows(path("run.csv"));
    EXPECT_EQ(rows.header.value(0), "index");
    EXPECT_EQ(qint64(rows.index.size()), result.json()["samples"].toInteger());
    ASSERT_GT(rows.index.size(), 5000u);
    ASSERT_EQ(simulator->stop(SIGTERM, std::chrono::milliseconds(kPatienceMs)), 0);
    expectNothingLostByTheHost(rows, result.json(), *simulator);
}

// The program killed after a few seconds of recording; recover finds what
// it wrote and exports all but at most the last second.
TEST_F(CliSimulator, ARecordingKilledMidwayIsRecoveredAndExported)
{
    start({"--rate", "1000"});
    QTemporaryDir temp;
    qputenv("TMPDIR", temp.path().toLocal8Bit());
    CliProgram recording(simulator.get());
    recording.start("record --seconds 600 --out " + path("never.csv"));
    const QString spill = killed_recording::waitForSpill(temp.path(), 3000);
    ASSERT_FALSE(spill.isEmpty());
    const QDateTime killedAt = QDateTime::currentDateTime();
    recording.kill();
    QFile::copy(spill + "/started.txt", path("started.txt"));

    ASSERT_EQ(cli("--json recover --list").json()["recordings"].toArray().size(), 1);
    const CliResult recovered = cli("--json recover --export " + folder.path());
    qunsetenv("TMPDIR");
    ASSERT_EQ(recovered.exitCode, 0) << recovered.out.toStdString();
    const QJsonObject entry = recovered.json()["recordings"][0].toObject();
    const auto rows = killed_recording::readExport(entry["file"].toString());
    EXPECT_EQ(qint64(rows.count), entry["samples"].toInteger());
    EXPECT_TRUE(rows.gapFree);
    EXPECT_LE(killed_recording::secondsLost(folder.path(), killedAt, rows.lastSeconds),
              killed_recording::kMostSecondsLost);
    EXPECT_FALSE(QFile::exists(spill)) << "exported, so removed";
}

TEST_F(CliSimulator, AModuleThatVanishesMidRecordKeepsItsRowsAndFails)
{
    start({"--vanish-after", "1.5"});
    const CliResult result = cli("record --seconds 30 --rate 5 --out " + path("run.csv"));
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains("written to")) << result.err.toStdString();
    const Rows rows = readRows(path("run.csv"));
    EXPECT_GT(rows.index.size(), 100u) << "about a second at 200 samples/s";
    expectComplete(rows);
}

TEST_F(CliSimulator, TwoModulesAreServedByTwoProgramsAtOnce)
{
    start();
    SimulatorProcess second({"--serial-number", "ORV000002"});
    ASSERT_TRUE(second.started());
    QString ports[2] = {device(), QString::fromStdString(second.devicePath())};
    // Both are discovered only with a shared folder; each program names its own.
    CliProgram first(simulator.get()), other(&second);
    first.start("record --seconds 2 --out " + path("a.csv") + " --port " + ports[0]);
    other.start("record --seconds 2 --out " + path("b.csv") + " --port " + ports[1]);
    EXPECT_EQ(first.finish().exitCode, 0);
    EXPECT_EQ(other.finish().exitCode, 0);
    for (const char *file : {"a.csv", "b.csv"}) {
        const Rows rows = readRows(path(file));
        EXPECT_GT(rows.index.size(), 100u) << file;
        expectComplete(rows);
    }
    first.start("sn get --port " + ports[0]);
    other.start("sn get --port " + ports[1]);
    EXPECT_EQ(first.finish().out, "Get SN: ORV000001\n");
    EXPECT_EQ(other.finish().out, "Get SN: ORV000002\n");
}

TEST_F(CliSimulator, FlashingAnImageChangesTheVersion)
{
    start();
    const std::vector<std::uint8_t> image =
        dfusim::makeApplicationImage(dfu::kApplicationAddress, {2, 0, 1}, 2048);
    QFile file(path("new firmware.bin"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char *>(image.data()), qint64(image.size()));
    file.close();

    const CliResult jump = cli("dfu jump");
    ASSERT_EQ(jump.exitCode, 0) << jump.err.toStdString();
    EXPECT_EQ(jump.out, "Jump to DFU done\n");
    EXPECT_EQ(cli("version").exitCode, 3) << "in the bootloader the application's port is gone";
    // The file name holds a space: it must reach the programs as one argument.
    const CliResult flashed =
        runCli(simulator.get(), QStringList{"flash", path("new firmware.bin")});
    ASSERT_EQ(flashed.exitCode, 0) << flashed.err.toStdString();
    EXPECT_EQ(flashed.out, "DFU Success!\n");
    ASSERT_TRUE(imusim::testing::eventually([&] {
        return QFile::exists(QString::fromStdString(simulator->portFile()));
    })) << "back in the application";
    EXPECT_EQ(cli("version").out, "Version: 2.0.1\n");
    const CliResult noBootloader = cli("flash " + path("new firmware.bin").replace(' ', '_'));
    EXPECT_EQ(noBootloader.exitCode, 2) << "no such file";
}
