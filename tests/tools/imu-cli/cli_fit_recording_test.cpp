// SPDX-License-Identifier: GPL-3.0-or-later
// Calibrations fitted from calibration-mode recordings of simulated modules
// with known errors (`calibrate fit --from`), then written into the module:
// the fits recover the errors, and the module's calibrated stream shows what
// the fits promised, several times better than before.
#include "calibrate.h"

#include "calibration/calibration_json.h"
#include "calibration/magnetometer_fit.h"
#include "calibration/still_poses.h"
#include "core/module.h"
#include "core/sensor_profile.h"
#include "neutral_calibration.h"
#include "recording/csv_format.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>

#include <cstring>

namespace {

constexpr double kRate = 200;
constexpr std::uint8_t kRateCode200Hz = 5;
constexpr double kGravity = 9.80665;

Eigen::Vector3d vector(const IMUserial::vec3 &v)
{
    return {v.x, v.y, v.z};
}

// A simulated module moving as `motion`, driven in simulated time.
class SimulatedModule
{
public:
    SimulatedModule(const imusim::SensorProfile &profile, imusim::Motion motion)
        : module_(imusim::StoredState{}, settings(profile, motion))
    {
        module_.execute(imuproto::CMD_SET_RATE, &kRateCode200Hz, 1, 0);
    }

    template <class Payload> std::vector<Payload> records(double seconds, std::uint8_t mode)
    {
        module_.execute(mode, nullptr, 0, uptime_);
        std::vector<Payload> out;
        for (int i = 0; i < int(seconds * kRate); ++i) {
            const imusim::Record record = module_.record(uptime_ += 1 / kRate);
            Payload payload;
            std::memcpy(&payload, record.payload.data(), sizeof payload);
            out.push_back(payload);
        }
        return out;
    }

    template <class Set> void write(std::uint8_t which, const Set &set)
    {
        std::vector<std::uint8_t> payload{which};
        payload.resize(1 + sizeof set);
        std::memcpy(payload.data() + 1, &set, sizeof set);
        ASSERT_EQ(
            module_
                .execute(imuproto::CMD_WRITE_CALIBRATION, payload.data(), payload.size(), uptime_)
                .status,
            imuproto::STATUS_OK);
    }

private:
    static imusim::ModuleSettings settings(const imusim::SensorProfile &profile,
                                           imusim::Motion motion)
    {
        imusim::ModuleSettings settings;
        settings.profile = profile;
        settings.motion = motion;
        return settings;
    }

    imusim::Module module_;
    double uptime_ = 0;
};

QString writeTable(const QTemporaryDir &folder,
                   const std::vector<IMUserial::sensor_data_calibration> &records)
{
    std::string text = recording::csv::calibrationHeader(QDateTime::currentDateTime());
    for (std::size_t i = 0; i < records.size(); ++i)
        recording::csv::appendRow(
            text, recording::CalibrationRecord{i, double(i) / kRate, records[i], 0});
    const QString path = folder.filePath("run-calibration.csv");
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.data(), qint64(text.size()));
    return path;
}

template <std::size_t N> void fill(float (&target)[N], const QJsonValue &values)
{
    for (std::size_t i = 0; i < N; ++i)
        target[i] = float(values[qsizetype(i)].toDouble());
}

// What a still module's calibrated stream shows: the spread of |B| (per cent)
// while tumbling, and the worst |a| - g in still poses (per cent of g).
double fieldSpread(const std::vector<IMUserial::sensor_data> &stream)
{
    std::vector<Eigen::Vector3d> mag;
    for (const IMUserial::sensor_data &sample : stream)
        mag.push_back(vector(sample.mag));
    return calibration::magnitudeSpreadPercent(mag);
}

double worstGravityError(const std::vector<IMUserial::sensor_data> &stream)
{
    std::vector<Eigen::Vector3d> acc;
    for (const IMUserial::sensor_data &sample : stream)
        acc.push_back(vector(sample.acc));
    double worst = 0;
    for (const calibration::StillPose &pose : calibration::findStillPoses(acc, kRate))
        worst = std::max(worst, std::abs(pose.mean.norm() - kGravity) / kGravity * 100);
    return worst;
}

struct Profile
{
    const char *name;
    const char *json;
};

class FitRecording : public ::testing::TestWithParam<Profile>
{
protected:
    imusim::SensorProfile profile() const
    {
        const imusim::ProfileReading reading = imusim::readSensorProfile(GetParam().json);
        EXPECT_TRUE(reading.profile) << reading.error;
        return reading.profile.value_or(imusim::SensorProfile{});
    }

    QJsonObject fit(SimulatedModule &module, int expectedExit)
    {
        const QString file = writeTable(folder_, module.records<IMUserial::sensor_data_calibration>(
                                                     70, imuproto::CMD_ENTER_CALIBRATION));
        const cli::Outcome outcome = cli::fitRecording(file);
        EXPECT_EQ(int(outcome.code), expectedExit) << outcome.message.toStdString();
        return outcome.data["sets"].toObject();
    }

    QTemporaryDir folder_;
};

TEST_P(FitRecording, MagnetometerWhileTumbling)
{
    SimulatedModule module(profile(), imusim::Motion::Tumble);
    // A tumbling module has no still poses: only the magnetometer is fitted.
    const QJsonObject sets = fit(module, 0);
    ASSERT_TRUE(sets.contains("mag") && !sets.contains("imu1"));
    const imusim::Vec3 hardIron = profile().mag.hardIron;
    const QJsonArray bias = sets["mag"]["mag_bias"].toArray();
    EXPECT_NEAR(bias[0].toDouble(), hardIron.x, 0.5);
    EXPECT_NEAR(bias[1].toDouble(), hardIron.y, 0.5);
    EXPECT_NEAR(bias[2].toDouble(), hardIron.z, 0.5);

    const double before =
        fieldSpread(module.records<IMUserial::sensor_data>(60, imuproto::CMD_EXIT_CALIBRATION));
    IMUserial::mag_calibration_data set = IMUserial::neutralMagSet();
    fill(set.mag_bias, sets["mag"]["mag_bias"]);
    fill(set.mag_mis, sets["mag"]["mag_mis"]);
    fill(set.mag_radii, sets["mag"]["mag_radii"]);
    module.write(imuproto::SET_MAG, set);
    const double after =
        fieldSpread(module.records<IMUserial::sensor_data>(60, imuproto::CMD_EXIT_CALIBRATION));
    EXPECT_LT(after, 1.0);
    EXPECT_GT(before, 3 * after);
}

TEST_P(FitRecording, AccelerometersInPoses)
{
    SimulatedModule module(profile(), imusim::Motion::Poses);
    const QJsonObject sets = fit(module, 0);
    const imusim::SensorProfile truth = profile();
    for (const auto &[chip, errors] :
         {std::pair{"imu1", truth.imu1}, std::pair{"imu2", truth.imu2}}) {
        const QJsonArray bias = sets[chip]["acc_bias"].toArray();
        ASSERT_EQ(bias.size(), 3) << chip;
        EXPECT_NEAR(bias[0].toDouble(), errors.acc.bias.x, 0.005) << chip;
        EXPECT_NEAR(bias[1].toDouble(), errors.acc.bias.y, 0.005) << chip;
        EXPECT_NEAR(bias[2].toDouble(), errors.acc.bias.z, 0.005) << chip;
    }
    // The stream reports chip 1.
    const double before = worstGravityError(
        module.records<IMUserial::sensor_data>(60, imuproto::CMD_EXIT_CALIBRATION));
    IMUserial::imu_calibration_data set = IMUserial::neutralImuSet();
    fill(set.acc_bias, sets["imu1"]["acc_bias"]);
    fill(set.acc_mis, sets["imu1"]["acc_mis"]);
    module.write(imuproto::SET_IMU1, set);
    const double after = worstGravityError(
        module.records<IMUserial::sensor_data>(60, imuproto::CMD_EXIT_CALIBRATION));
    EXPECT_LT(after, 0.3);
    EXPECT_GT(before, 3 * after);
}

INSTANTIATE_TEST_SUITE_P(
    Profiles, FitRecording,
    ::testing::Values(Profile{"lab", R"({"field": {"strength_uT": 48.5, "inclination_deg": 66.0},
            "mag": {"hard_iron_uT": [12.0, -30.5, 4.0], "noise_uT": 0.2,
                    "soft_iron": [[1.08, 0.03, 0.0], [0.03, 0.95, -0.02], [0.0, -0.02, 1.01]]},
            "imu1": {"acc_bias": [0.12, -0.08, 0.20], "acc_noise_density": 0.0015,
                     "acc_matrix": [[1.01, 0.002, 0.0], [0.0, 0.995, 0.003], [0.0, 0.0, 1.004]]},
            "imu2": {"acc_bias": [-0.15, 0.05, -0.10], "acc_noise_density": 0.002}})"},
                      Profile{"strong",
                              R"({"field": {"strength_uT": 25.0, "inclination_deg": -30.0},
            "mag": {"hard_iron_uT": [-80.0, 45.0, 120.0], "noise_uT": 0.15,
                    "soft_iron": [[1.2, 0.08, 0.02], [0.08, 0.85, 0.05], [0.02, 0.05, 1.1]]},
            "imu1": {"acc_bias": [-0.4, 0.3, 0.5],
                     "acc_matrix": [[1.04, 0.01, 0.0], [0.01, 0.97, 0.0], [0.0, 0.0, 1.03]]},
            "imu2": {"acc_bias": [0.35, -0.25, 0.1]}})"},
                      Profile{"mild", R"({"mag": {"hard_iron_uT": [1.0, 0.5, -2.0]},
            "imu1": {"acc_bias": [0.02, 0.0, -0.03]}, "imu2": {"acc_bias": [0.0, 0.01, 0.0]}})"}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
