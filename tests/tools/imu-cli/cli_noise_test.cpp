// SPDX-License-Identifier: GPL-3.0-or-later
// A still simulated module recorded raw and analysed from the command line:
// the IMU file holds the noise its profile sets.
#include "cli_program.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cmath>

using imusim::testing::SimulatorProcess;
using namespace cli::testing;

namespace {

constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180;

// Walks strong beside the white noise, so that a minute shows both slopes.
constexpr char kProfile[] = R"({
    "imu2": {"gyr_noise_density": 0.002, "gyr_bias_walk": 0.3,
             "acc_noise_density": 0.001, "acc_bias_walk": 0.1}})";

double field(const QString &yaml, const QString &name)
{
    const QRegularExpressionMatch match =
        QRegularExpression("^" + name + ": (\\S+)", QRegularExpression::MultilineOption)
            .match(yaml);
    return match.hasMatch() ? match.captured(1).toDouble() : std::nan("");
}

TEST(CliNoise, RawRecordingGivesTheProfilesNoiseInAnImuFile)
{
    QTemporaryDir folder;
    QFile profile(folder.filePath("profile.json"));
    ASSERT_TRUE(profile.open(QIODevice::WriteOnly));
    profile.write(kProfile);
    profile.close();
    const SimulatorProcess simulator({"--sensor-profile", profile.fileName().toStdString(),
                                      "--motion", "still", "--rate", "1000", "--seed", "3"});
    ASSERT_TRUE(simulator.started());

    const QString recording = folder.filePath("still.csv");
    CliProgram recorder(&simulator);
    recorder.start("record --raw --seconds 60 --out " + recording);
    const CliResult recorded = recorder.finish(2 * kPatienceMs); // a minute of recording first
    ASSERT_EQ(recorded.exitCode, 0) << recorded.err.toStdString();
    const QString imuFile = folder.filePath("imu.yaml");
    const CliResult analysed =
        runCli(nullptr, "analyze noise " + recording + " --chip 2 --kalibr " + imuFile);
    ASSERT_EQ(analysed.exitCode, 0) << analysed.err.toStdString();

    QFile written(imuFile);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QString yaml = QString::fromUtf8(written.readAll());
    const struct
    {
        const char *name;
        double expected;
    } fields[] = {
        {"accelerometer_noise_density", 0.001},
        {"accelerometer_random_walk", 0.1},
        {"gyroscope_noise_density", 0.002 * kRadiansPerDegree},
        {"gyroscope_random_walk", 0.3 * kRadiansPerDegree},
        {"update_rate", 1000},
    };
    for (const auto &f : fields)
        EXPECT_NEAR(field(yaml, f.name), f.expected, 0.1 * f.expected) << f.name;
}

} // namespace
