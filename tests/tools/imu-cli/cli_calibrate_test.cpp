// orvik-imu-cli's calibrations against simulated modules with known sensor
// errors: a good collection is fitted, written and proven on the calibrated
// stream; bad data is refused with its reason and nothing is written.
#include "cli_program.h"

#include <gtest/gtest.h>

#include <QJsonArray>

#include <thread>

using imusim::testing::SimulatorProcess;
using namespace cli::testing;

namespace {

const std::string kProfile = ORVIK_PROFILES_DIR "/lab.json";

struct Case
{
    std::string motion;
    QString command;
    int exitCode;
    const char *says; // in the message
};

struct CalibrationRun
{
    std::unique_ptr<SimulatorProcess> simulator;
    CliResult calibration;
    CliResult storedAfter;
};

CalibrationRun calibrate(const Case &c)
{
    CalibrationRun run;
    run.simulator = std::make_unique<SimulatorProcess>(
        std::vector<std::string>{"--sensor-profile", kProfile, "--motion", c.motion});
    if (!run.simulator->started())
        return run;
    run.calibration = runCli(run.simulator.get(), c.command + " --write --json");
    run.storedAfter = runCli(run.simulator.get(), QStringLiteral("calibration read"));
    return run;
}

QJsonArray stored(const CalibrationRun &run, const char *set, const char *field)
{
    return run.storedAfter.json()[set].toObject()[field].toArray();
}

// The three run at once: a calibration takes most of a minute.
TEST(CliCalibrate, WritesWhatItProvesAndRefusesBadData)
{
    const Case cases[] = {
        {"tumble", "calibrate mag --seconds 40", 0, "verified: the module's calibrated |B|"},
        {"yaw", "calibrate mag --seconds 8", 1, "turn the module about its other axes too"},
        {"still", "calibrate acc --seconds 8", 1, "hold the module still in more poses"},
    };
    // Joined threads, which ThreadSanitizer sees synchronise.
    std::vector<CalibrationRun> runs(std::size(cases));
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < runs.size(); ++i)
        threads.emplace_back([&, i] { runs[i] = calibrate(cases[i]); });
    for (std::thread &thread : threads)
        thread.join();
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const Case &c = cases[i];
        SCOPED_TRACE(c.motion);
        const CalibrationRun &result = runs[i];
        ASSERT_TRUE(result.simulator && result.simulator->started());
        const QJsonObject json = result.calibration.json();
        EXPECT_EQ(result.calibration.exitCode, c.exitCode)
            << json["message"].toString().toStdString();
        EXPECT_TRUE(json["message"].toString().contains(c.says))
            << json["message"].toString().toStdString();
        EXPECT_EQ(json["written"].toBool(), c.exitCode == 0);
        EXPECT_EQ(json["verified"].toBool(), c.exitCode == 0);
        const QJsonArray bias = stored(result, "mag", "mag_bias");
        ASSERT_EQ(bias.size(), 3);
        if (c.exitCode == 0) {
            const double hardIron[] = {12.0, -30.5, 4.0};
            for (int axis = 0; axis < 3; ++axis)
                EXPECT_NEAR(bias[axis].toDouble(), hardIron[axis], 0.5) << axis;
        } else {
            EXPECT_EQ(bias, (QJsonArray{0, 0, 0})) << "a refused fit writes nothing";
        }
    }
}

} // namespace
