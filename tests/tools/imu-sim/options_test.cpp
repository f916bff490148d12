#include "core/options.h"

#include <gtest/gtest.h>

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

    const auto parsed = parseOptions({"--dir",     "/tmp/x",
                                      "--seed",    "42",
                                      "--rate",    "5000",
                                      "--still",   "--corrupt",
                                      "0.01",      "--drop",
                                      "0.5",       "--reply-delay",
                                      "250",       "--withhold-reply",
                                      "get-sn",    "--withhold-reply",
                                      "0x22",      "--fail",
                                      "jump-dfu",  "--fail",
                                      "18",        "--pretend",
                                      "set-sn",    "--pretend",
                                      "0x3F",      "--vanish-after",
                                      "1.5",       "--bootloader-time",
                                      "0.2",       "--firmware-version",
                                      "2.10.255",  "--serial-number",
                                      "ABC123XYZ", "--bootloader-timing",
                                      "stm32f4",   "--bootloader-stall-at",
                                      "65536"});
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
    const auto atOnce = parseOptions({"--bootloader-stall-at", "0", "--bootloader-timing", "fast"});
    ASSERT_TRUE(atOnce.options) << atOnce.error;
    EXPECT_EQ(atOnce.options->bootloaderStallAt, 0u);

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
         }) {
        const auto parsed = parseOptions(arguments);
        EXPECT_FALSE(parsed.options) << arguments.front();
        EXPECT_FALSE(parsed.error.empty());
    }
}

} // namespace
} // namespace imusim
