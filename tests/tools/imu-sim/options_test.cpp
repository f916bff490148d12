// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/options.h"
#include "core/sensor_profile.h"

#include <gtest/gtest.h>

#include <cmath>

namespace imusim {
namespace {

using namespace std::chrono_literals;

TEST(Options, DefaultsAndEveryOption)
{
    const auto defaults = parseOptions({});
    ASSERT_TRUE(defaults.options);
    EXPECT_FALSE(defaults.options->simulator.module.fixedRate);
    EXPECT_TRUE(defaults.options->directory.empty());
    EXPECT_EQ(defaults.options->bootloaderStay, 0ms);
    EXPECT_EQ(defaults.options->bootloaderTiming, BootloaderTimingChoice::Fast);
    EXPECT_FALSE(defaults.options->bootloaderStallAt);
    EXPECT_EQ(defaults.options->unitId, unitIdFromSeed(1));
    EXPECT_NE(unitIdFromSeed(1), unitIdFromSeed(2)) << "each seed a unit of its own";

    const auto parsed = parseOptions({"--dir",
                                      "/tmp/x",
                                      "--seed",
                                      "42",
                                      "--rate",
                                      "5000",
                                      "--still",
                                      "--corrupt",
                                      "0.01",
                                      "--drop",
                                      "0.5",
                                      "--reply-delay",
                                      "250",
                                      "--withhold-reply",
                                      "get-sn",
                                      "--withhold-reply",
                                      "0x22",
                                      "--fail",
                                      "jump-dfu",
                                      "--fail",
                                      "18",
                                      "--pretend",
                                      "set-sn",
                                      "--pretend",
                                      "0x3F",
                                      "--vanish-after",
                                      "1.5",
                                      "--bootloader-time",
                                      "0.2",
                                      "--firmware-version",
                                      "2.10.255",
                                      "--serial-number",
                                      "ABC123XYZ",
                                      "--bootloader-timing",
                                      "stm32f4",
                                      "--bootloader-stall-at",
                                      "65536",
                                      "--uid",
                                      "0039001a3437510b37363934"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    const ProgramOptions &o = *parsed.options;
    EXPECT_EQ(o.directory, "/tmp/x");
    EXPECT_EQ(o.simulator.module.seed, 42u);
    EXPECT_EQ(o.simulator.module.fixedRate, 5000.0);
    EXPECT_EQ(o.simulator.module.motion, Motion::Still);
    EXPECT_EQ(o.simulator.faults.corruptRate, 0.01);
    EXPECT_EQ(o.simulator.faults.dropRate, 0.5);
    EXPECT_EQ(o.simulator.faults.replyDelay, 250ms);
    EXPECT_TRUE(o.simulator.faults.withholds(imuproto::CMD_GET_SN));
    EXPECT_TRUE(o.simulator.faults.withholds(imuproto::CMD_START_GYR_BIAS));
    EXPECT_FALSE(o.simulator.faults.withholds(imuproto::CMD_GET_VERSION));
    EXPECT_TRUE(o.simulator.faults.fails(imuproto::CMD_JUMP_DFU));
    EXPECT_TRUE(o.simulator.faults.fails(imuproto::CMD_SET_RATE));
    EXPECT_TRUE(o.simulator.faults.pretends(imuproto::CMD_SET_SN));
    EXPECT_TRUE(o.simulator.faults.pretends(imuproto::CMD_JUMP_DFU));
    EXPECT_FALSE(o.simulator.faults.pretends(imuproto::CMD_SET_RATE));
    EXPECT_EQ(o.simulator.faults.vanishAfter, 1500ms);
    EXPECT_EQ(o.bootloaderStay, 200ms);
    EXPECT_EQ(o.simulator.stored.version, (VersionBytes{2, 10, 255}));
    EXPECT_EQ(o.simulator.stored.serialNumber, "ABC123XYZ");
    EXPECT_EQ(o.bootloaderTiming, BootloaderTimingChoice::Stm32f4);
    EXPECT_EQ(o.bootloaderStallAt, 65536u);
    EXPECT_EQ(o.unitId, "0039001A3437510B37363934");
    const auto atOnce = parseOptions({"--bootloader-stall-at", "0", "--bootloader-timing", "fast"});
    ASSERT_TRUE(atOnce.options) << atOnce.error;
    EXPECT_EQ(atOnce.options->bootloaderStallAt, 0u);

    for (const auto &[name, motion] : std::vector<std::pair<std::string, Motion>>{
             {"default", Motion::Sway}, {"tumble", Motion::Tumble}, {"poses", Motion::Poses}}) {
        const auto chosen = parseOptions({"--still", "--motion", name, "--sensor-profile", "p"});
        ASSERT_TRUE(chosen.options) << chosen.error;
        EXPECT_EQ(chosen.options->simulator.module.motion, motion);
        EXPECT_EQ(chosen.options->sensorProfile, "p");
    }

    const auto all = parseOptions({"--withhold-reply", "all", "--help"});
    ASSERT_TRUE(all.options);
    EXPECT_TRUE(all.options->simulator.faults.withholds(imuproto::CMD_JUMP_DFU));
    EXPECT_TRUE(all.options->help);
}

TEST(Options, RefusesWhatItCannotUse)
{
    for (const std::vector<std::string> &arguments : std::vector<std::vector<std::string>>{
             {"--bogus"},
             {"--rate"},
             {"--rate", "0"},
             {"--rate", "fast"},
             {"--rate", "200000"},
             {"--corrupt", "1.5"},
             {"--drop", "-0.1"},
             {"--reply-delay", "10ms"},
             {"--fail", "launch"},
             {"--fail", "0x40"}, // a data frame, not a command
             {"--fail", "300"},
             {"--withhold-reply", ""},
             {"--pretend", "version"}, // a read has no success without its data
             {"--pretend", "get-sn"},
             {"--pretend", "0x30"},
             {"--pretend", "all"},
             {"--firmware-version", "1.2"},
             {"--firmware-version", "1.2.256"},
             {"--firmware-version", "1.2.3.4"},
             {"--serial-number", ""},
             {"--serial-number", std::string(33, 'S')},
             {"--dir", ""},
             {"--vanish-after", "nan"},
             {"--bootloader-timing", "slow"},
             {"--bootloader-timing", ""},
             {"--bootloader-stall-at", "-1"},
             {"--bootloader-stall-at", "1.5"},
             {"--bootloader-stall-at", "4KiB"},
             {"--motion", "spin"},
             {"--sensor-profile", ""},
             {"--uid", "0039001A3437510B3736393"},
             {"--uid", "0039001A3437510B37363934G"},
             {"--uid", "0039001A-437510B37363934"},
         }) {
        const auto parsed = parseOptions(arguments);
        EXPECT_FALSE(parsed.options) << arguments.front();
        EXPECT_FALSE(parsed.error.empty());
    }
}

TEST(SensorProfile, RefusesMalformedProfilesNamingTheField)
{
    for (const auto &[json, error] : std::vector<std::pair<std::string, std::string>>{
             {"{\"imu1\": {\"acc_matrix\": [[1, 0, 0], [0, 1, 0]]}}",
              "imu1.acc_matrix: expected 3 rows of 3 numbers"},
             {"{\"imu2\": {\"gyr_bias\": [1, 2]}}", "imu2.gyr_bias: expected 3 numbers"},
             {"{\"imu1\": {\"acc_noise_density\": -0.1}}", "imu1.acc_noise_density: -0.1 is"},
             {"{\"imu2\": {\"gyr_bias_walk\": \"0.1\"}}", "imu2.gyr_bias_walk: expected a number"},
             {"{\"field\": {\"strength_uT\": -48}}", "field.strength_uT: -48 is outside"},
             {"{\"field\": {\"inclination_deg\": 91}}", "field.inclination_deg: 91 is"},
             {"{\"mag\": {\"soft_iron\": [[1, 0, 0], [0, 1, 0], [0, 2, 0]]}}",
              "mag.soft_iron: nearly singular"},
             {"{\"mag\": {\"hard_iron\": [0, 0, 0]}}", "mag.hard_iron: unknown key"},
             {"{\"imu3\": {}}", "imu3: unknown key"},
             {"{\"mag\": 1}", "mag: expected an object"},
             {"{\"mag\": {\"noise_uT\": 1e999}}", "not JSON"},
             {"[]", "expected an object"},
         }) {
        const ProfileReading reading = readSensorProfile(json);
        EXPECT_FALSE(reading.profile) << json;
        EXPECT_EQ(reading.error.rfind(error, 0), 0u) << reading.error;
    }
}

TEST(SensorProfile, ReadsEveryFieldAndKeepsTheDefaultsOfTheRest)
{
    const ProfileReading empty = readSensorProfile("{}");
    ASSERT_TRUE(empty.profile) << empty.error;
    EXPECT_EQ(empty.profile->earthField.z, kEarthField.z);
    EXPECT_EQ(empty.profile->imu2.gyr.bias.y, kChip2Errors.gyrBias.y);
    EXPECT_FALSE(empty.profile->imu1.acc.noiseDensity);

    const ProfileReading full =
        loadSensorProfile(std::string(IMU_SIM_PROFILE_CORPUS) + "/full_example.json");
    ASSERT_TRUE(full.profile) << full.error;
    const SensorProfile &p = *full.profile;
    EXPECT_NEAR(p.earthField.x, 48.5 * std::cos(66.0 * M_PI / 180), 1e-9);
    EXPECT_NEAR(p.earthField.z, -48.5 * std::sin(66.0 * M_PI / 180), 1e-9);
    EXPECT_EQ(p.mag.hardIron.y, -30.5);
    EXPECT_EQ(p.mag.softIron.y.z, -0.02);
    EXPECT_EQ(p.mag.noise, 0.2);
    EXPECT_EQ(p.imu1.acc.bias.z, 0.20);
    EXPECT_EQ(p.imu1.acc.matrix.x.y, 0.002);
    EXPECT_EQ(p.imu1.acc.noiseDensity, 0.0015);
    EXPECT_EQ(p.imu1.acc.biasWalk, 0.0001);
    EXPECT_EQ(p.imu1.gyr.bias.x, 0.4);
    EXPECT_EQ(p.imu1.gyr.noiseDensity, 0.008);
    EXPECT_EQ(p.imu1.gyr.biasWalk, 0.0003);
    EXPECT_EQ(p.imu2.gyr.bias.z, -0.1);
    EXPECT_EQ(p.imu2.acc.matrix.z.z, 1.0); // not in the file
    EXPECT_EQ(loadSensorProfile("/nonexistent/p.json").error,
              "sensor profile /nonexistent/p.json: No such file or directory");
}

} // namespace
} // namespace imusim
