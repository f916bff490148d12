// SPDX-License-Identifier: GPL-3.0-or-later
// The command line's parsing and commands against the scripted device library.
#include "calibration/calibration_json.h"
#include "calibration/calibration_text.h"
#include "fake_device.h"
#include "module_commands.h"
#include "record.h"
#include "runner.h"
#include "sample_listener.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <thread>

using namespace cli;

namespace {

ParsedArguments parse(const QString &line)
{
    return parseArguments(line.split(' ', Qt::SkipEmptyParts));
}

QStringList csvLines(const QString &path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

class ModuleCommands : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fake().reset();
        device = std::make_unique<IMUserial::IMUSerial>(sampleArrived);
        device->initPort(0);
    }
    void TearDown() override { device.reset(); }

    static fake::Device &fake() { return fake::Device::instance(); }
    QString path(const char *name) const { return folder.filePath(name); }

    std::unique_ptr<IMUserial::IMUSerial> device;
    QTemporaryDir folder;
};

} // namespace

TEST(CliArguments, CommandsTheirArgumentsAndOptions)
{
    const ParsedArguments record =
        parse("--json record --seconds 2.5 --rate 5 --out r.csv --port /dev/x");
    ASSERT_TRUE(record.invocation) << record.error.toStdString();
    EXPECT_EQ(record.invocation->command, Command::Record);
    EXPECT_EQ(record.invocation->seconds, 2.5);
    EXPECT_EQ(record.invocation->rate, IMUserial::DATARATE_200HZ);
    EXPECT_EQ(record.invocation->out, "r.csv");
    EXPECT_EQ(record.invocation->port, "/dev/x");
    EXPECT_TRUE(record.invocation->json);

    const ParsedArguments sn = parse("sn set ABC123XYZ");
    ASSERT_TRUE(sn.invocation);
    EXPECT_EQ(sn.invocation->command, Command::SerialNumberSet);
    EXPECT_EQ(sn.invocation->argument, "ABC123XYZ");

    const ParsedArguments readToStdout = parse("calibration read");
    ASSERT_TRUE(readToStdout.invocation);
    EXPECT_TRUE(readToStdout.invocation->argument.isEmpty());
    ASSERT_TRUE(parse("gyro-bias --hold=3").invocation);
    EXPECT_EQ(parse("gyro-bias --hold=3").invocation->seconds, 3);
    EXPECT_EQ(parse("--help").invocation->command, Command::Help);
    EXPECT_EQ(parse("list --probe").invocation->command, Command::List);
}

TEST(CliArguments, MistakesAreRefusedWithTheReason)
{
    const struct
    {
        const char *line;
        const char *reason;
    } cases[] = {
        {"", "no command"},
        {"versions", "unknown command"},
        {"sn set", "unknown command"},
        {"sn set abc123xyz", "nine characters"},
        {"sn set ABC123XY", "nine characters"},
        {"calibration write", "unknown command"},
        {"record --seconds 5", "--out"},
        {"record --out r.csv", "--seconds"},
        {"record --seconds -1 --out r.csv", "positive"},
        {"record --seconds 1 --out r.csv --rate 6", "rate code"},
        {"gyro-bias", "--hold"},
        {"version --probe", "does not apply"},
        {"version --port", "needs a value"},
        {"version --verbose", "unknown option"},
    };
    for (const auto &testCase : cases) {
        const ParsedArguments parsed = parse(testCase.line);
        EXPECT_FALSE(parsed.invocation) << testCase.line;
        EXPECT_TRUE(parsed.error.contains(testCase.reason))
            << testCase.line << ": " << parsed.error.toStdString();
    }
}

TEST(CliPorts, OneModuleIsChosenAndNoneOrSeveralAreRefused)
{
    EXPECT_EQ(choosePort({}, {"/dev/ttyACM0"}).port, "/dev/ttyACM0");
    EXPECT_EQ(choosePort("/dev/pts/9", {"/dev/ttyACM0", "/dev/ttyACM1"}).port, "/dev/pts/9");
    const PortChoice none = choosePort({}, {});
    ASSERT_TRUE(none.refusal);
    EXPECT_EQ(none.refusal->code, ExitCode::NoDevice);
    const PortChoice several = choosePort({}, {"/dev/ttyACM0", "/dev/ttyACM1"});
    ASSERT_TRUE(several.refusal);
    EXPECT_EQ(several.refusal->code, ExitCode::NoDevice);
    EXPECT_TRUE(several.refusal->message.contains("/dev/ttyACM0, /dev/ttyACM1"));
}

TEST(CliOutput, JsonCarriesTheValuesTheStatusAndTheMessage)
{
    const QJsonObject object =
        QJsonDocument::fromJson(
            renderedJson(failed(ExitCode::NoDevice, "no module found", {{"ports", QJsonArray{}}})))
            .object();
    EXPECT_EQ(object["ok"], false);
    EXPECT_EQ(object["exit_code"], 3);
    EXPECT_EQ(object["message"], "no module found");
    EXPECT_TRUE(object["ports"].isArray());
    EXPECT_EQ(renderedText(succeeded("Version: 1.4.2")), "Version: 1.4.2\n");
}

TEST(CliRun, AModuleThatCannotBeOpenedIsNoDevice)
{
    fake::Device::instance().reset();
    fake::Device::instance().setPortOpens(false);
    Invocation version;
    version.command = Command::Version;
    const Environment environment{[] { return QList<FoundModule>{{"/dev/ttyACM0", {}}}; }, {}, {}};
    EXPECT_EQ(run(version, environment).code, ExitCode::NoDevice);
    const Environment empty{[] { return QList<FoundModule>{}; }, {}, {}};
    EXPECT_EQ(run(version, empty).code, ExitCode::NoDevice);
}

TEST_F(ModuleCommands, IdentityIsWhatTheModuleConfirmed)
{
    fake().setVersion({1, 4, 2});
    const Outcome version = readVersion(*device);
    EXPECT_EQ(version.message, "Version: 1.4.2");
    EXPECT_EQ(version.data["version"], "1.4.2");

    EXPECT_EQ(writeSerialNumber(*device, "ABC123XYZ").code, ExitCode::Ok);
    EXPECT_EQ(readSerialNumber(*device).data["serial_number"], "ABC123XYZ");

    fake().setWritesIgnored(true);
    const Outcome forgotten = writeSerialNumber(*device, "ZZZ999ZZZ");
    EXPECT_EQ(forgotten.code, ExitCode::Failed);
    EXPECT_EQ(forgotten.message, "Set SN FAIL");

    fake().setReadsFail(true);
    EXPECT_EQ(readVersion(*device).message, "Version FAIL");
    EXPECT_EQ(readSerialNumber(*device).code, ExitCode::Failed);
}

TEST_F(ModuleCommands, CalibrationFilesRoundTripThroughTheModule)
{
    calibration::Sets sets = calibration::neutralSets();
    sets.imu1.gyr_bias[0] = 0.35f;
    sets.imu2.acc_mis[1] = -0.002f;
    sets.mag.mag_radii[2] = 47.5f;
    QFile in(path("in.json"));
    ASSERT_TRUE(in.open(QIODevice::WriteOnly));
    in.write(calibration::toJson(sets));
    in.close();

    EXPECT_EQ(writeCalibration(*device, path("in.json")).message, "Write Calibration SUCCESS");
    ASSERT_EQ(readCalibration(*device, path("out.json")).code, ExitCode::Ok);
    QFile out(path("out.json"));
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    EXPECT_EQ(out.readAll(), calibration::toJson(sets));
    EXPECT_TRUE(fake().wasCalled("stop_data_ransmission")) << "the stream stops first";

    EXPECT_EQ(clearCalibration(*device).message, "Clear Success");
    EXPECT_EQ(readCalibration(*device, {}).message.toUtf8().trimmed(),
              calibration::toJson(calibration::neutralSets()).trimmed());
}

TEST_F(ModuleCommands, CalibrationFailuresAreReportedNotAssumed)
{
    QFile bad(path("bad.json"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write(R"({"imu1": {}})");
    bad.close();
    const Outcome refusedFile = writeCalibration(*device, path("bad.json"));
    EXPECT_EQ(refusedFile.code, ExitCode::Usage);
    EXPECT_FALSE(fake().wasCalled("write_imu1_calibration_data")) << "nothing half-written";
    EXPECT_EQ(writeCalibration(*device, path("missing.json")).code, ExitCode::Usage);

    fake().setWritesIgnored(true);
    EXPECT_EQ(clearCalibration(*device).message, "Clear FAIL");
    fake().setWritesIgnored(false);
    fake().setResult("read_imu2_calibration_data", false);
    const Outcome partial = readCalibration(*device, path("out.json"));
    EXPECT_EQ(partial.code, ExitCode::Failed);
    EXPECT_TRUE(partial.message.contains("IMU2")) << partial.message.toStdString();
    EXPECT_FALSE(QFile::exists(path("out.json")));
}

TEST_F(ModuleCommands, RefusedCommandsFailWithTheWindowsWords)
{
    fake().setResult("RecordQuaternionOffset", false);
    EXPECT_EQ(setQuaternionOffset(*device, true).message, "Record Quaternion Offset FAIL");
    EXPECT_EQ(setQuaternionOffset(*device, false).message, "Reset Quaternion Offset SUCCESS");
    fake().setResult("startGyrBiasCalibration", false);
    const Outcome bias = measureGyroBias(*device, 0.01, {});
    EXPECT_EQ(bias.message, "ERROR: Cannot Enter GyrBias Calibration");
    EXPECT_FALSE(fake().wasCalled("stopGyrBiasCalibration"));
    fake().setResult("JumpDFU", false);
    EXPECT_EQ(jumpToBootloader(*device).message, "Jump to DFU FAIL");
    EXPECT_TRUE(device->isDeivceOpen());
}

// A recording cut short after some samples, by the module going away or by
// the operator stopping the program: they are all written, numbered without
// a gap, and the command fails.
class CutShortRecording : public ModuleCommands, public ::testing::WithParamInterface<bool>
{
protected:
    bool moduleVanishes() const { return GetParam(); }
};

TEST_P(CutShortRecording, KeepsTheRowsReceived)
{
    constexpr int delivered = 300;
    std::atomic<bool> cut{false};
    std::thread module([&] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!fake().isReceiving() || !fake().wasCalled("start_data_ransmission")) {
            if (std::chrono::steady_clock::now() > deadline)
                return;
            std::this_thread::yield();
        }
        IMUserial::sensor_data sample{};
        for (int i = 0; i < delivered; ++i) {
            sample.temp = float(i);
            fake().emitSample(sample);
        }
        if (moduleVanishes())
            fake().unplug();
        else
            cli::requestInterruption();
        cut = true;
    });
    const Outcome outcome = record(*device, {30, IMUserial::DATARATE_200HZ, path("run.csv")}, {});
    module.join();
    ASSERT_TRUE(cut);
    EXPECT_EQ(outcome.code, ExitCode::Failed);
    EXPECT_TRUE(
        outcome.message.startsWith(moduleVanishes() ? "Transmite ERROR; " : "Interrupted; "))
        << outcome.message.toStdString();
    EXPECT_EQ(outcome.data["samples"], delivered);
    EXPECT_EQ(fake().wasCalled("stop_data_ransmission"), !moduleVanishes())
        << "a module still there is told to stop streaming";
    const QStringList lines = csvLines(path("run.csv"));
    ASSERT_EQ(lines.size(), delivered + 1);
    EXPECT_TRUE(lines[0].startsWith("index,time [s since "));
    for (int i = 0; i < delivered; ++i) {
        EXPECT_TRUE(lines[i + 1].startsWith(QString::number(i) + ','))
            << lines[i + 1].toStdString();
        ASSERT_TRUE(lines[i + 1].endsWith(',' + QString::number(i) + ",0"))
            << "temperature, in order, then no samples missed";
    }
    EXPECT_EQ(fake().ratesSent(), std::vector<IMUserial::DATARATE>{IMUserial::DATARATE_200HZ});
}

INSTANTIATE_TEST_SUITE_P(ByVanishingOrInterruption, CutShortRecording, ::testing::Bool());

TEST_F(ModuleCommands, ARefusedStreamWritesNoFile)
{
    fake().setResult("start_data_ransmission", false);
    const Outcome outcome = record(*device, {1, std::nullopt, path("run.csv")}, {});
    EXPECT_EQ(outcome.code, ExitCode::Failed);
    EXPECT_EQ(outcome.message, "Start Receive FAIL");
    EXPECT_FALSE(QFile::exists(path("run.csv")));
    EXPECT_TRUE(fake().ratesSent().empty()) << "no rate given, none sent";
    EXPECT_FALSE(fake().isReceiving());
}
