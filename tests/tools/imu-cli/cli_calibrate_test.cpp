// SPDX-License-Identifier: GPL-3.0-or-later
// orvik-imu-cli's calibrations against simulated modules with known sensor
// errors: a good collection is fitted, written and proven on the calibrated
// stream; bad data is refused with its reason and nothing is written.
#include "cli_program.h"

#include <gtest/gtest.h>

#include <QJsonArray>

#include <memory>

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

QJsonArray stored(const SimulatorProcess &simulator, const char *set, const char *field)
{
    return runCli(&simulator, QStringLiteral("calibration read"))
        .json()[set]
        .toObject()[field]
        .toArray();
}

// The three run at once: a calibration takes most of a minute.
TEST(CliCalibrate, WritesWhatItProvesAndRefusesBadData)
{
    const Case cases[] = {
        {"tumble", "calibrate mag --seconds 40", 0, "verified: the module's calibrated |B|"},
        {"yaw", "calibrate mag --seconds 8", 1, "turn the module about its other axes too"},
        {"still", "calibrate acc --seconds 8", 1, "hold the module still in more poses"},
    };
    std::vector<std::unique_ptr<SimulatorProcess>> simulators;
    std::vector<std::unique_ptr<CliProgram>> calibrations;
    for (const Case &c : cases) {
        simulators.push_back(std::make_unique<SimulatorProcess>(
            std::vector<std::string>{"--sensor-profile", kProfile, "--motion", c.motion}));
        ASSERT_TRUE(simulators.back()->started());
        calibrations.push_back(std::make_unique<CliProgram>(simulators.back().get()));
        calibrations.back()->start(c.command + " --write --json");
    }
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case &c = cases[i];
        SCOPED_TRACE(c.motion);
        const CliResult calibration = calibrations[i]->finish();
        const QJsonObject json = calibration.json();
        EXPECT_EQ(calibration.exitCode, c.exitCode) << json["message"].toString().toStdString();
        EXPECT_TRUE(json["message"].toString().contains(c.says))
            << json["message"].toString().toStdString();
        EXPECT_EQ(json["written"].toBool(), c.exitCode == 0);
        EXPECT_EQ(json["verified"].toBool(), c.exitCode == 0);
        const QJsonArray bias = stored(*simulators[i], "mag", "mag_bias");
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
