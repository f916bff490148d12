// SPDX-License-Identifier: GPL-3.0-or-later
// dfu-util, a DFU client written elsewhere, against the simulated bootloader:
// it loads the libusb stand-in as its libusb-1.0.so.0, whose flash persists
// between runs in a file.
#include "application_image.h"
#include "dfu_test_support.h"
#include "memory_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace {

constexpr std::uint32_t kApp = dfu::kApplicationAddress;
constexpr std::uint32_t kFlashStart = 0x08000000;
constexpr std::size_t kFlashFromApp = 7 * 128 * 1024; // the 128 KiB pages from kApp on

class DfuUtilClient : public ::testing::Test
{
protected:
    void SetUp() override
    {
#ifndef FAKE_LIBUSB_DIR
        GTEST_SKIP() << "no drop-in libusb in this build (sanitizers)";
#else
        if (!dfutest::onPath("dfu-util"))
            GTEST_SKIP() << "dfu-util is not installed";
        setenv("LD_LIBRARY_PATH", FAKE_LIBUSB_DIR, 1);
        setenv("ORVIK_FAKE_USB_FLASH", flashFile().c_str(), 1);
#endif
    }
    void TearDown() override
    {
        unsetenv("LD_LIBRARY_PATH");
        unsetenv("ORVIK_FAKE_USB_FLASH");
    }

    dfutest::ProgramResult dfuUtil(const std::vector<std::string> &arguments)
    {
        return dfutest::runProgram("dfu-util", arguments);
    }
    std::string flashFile() const
    {
        return folder_.file("flash.bin");
    }

    dfutest::TemporaryFolder folder_;
};

TEST_F(DfuUtilClient, ListsTheBootloaderWithTheFlashLayoutAsAlternateSettingZero)
{
    const auto listed = dfuUtil({"-l"});
    EXPECT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_NE(listed.out.find("Found DFU: [0483:df11] ver=2200"), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find("path=\"1-4\", alt=0, "
                              "name=\"@Internal Flash  /0x08000000/04*016Kg,01*064Kg,07*128Kg\""),
              std::string::npos)
        << listed.out;
    EXPECT_NE(listed.out.find("alt=3, name=\"@Device Feature/0xFFFF0000/01*004 e\""),
              std::string::npos);
}

TEST_F(DfuUtilClient, DownloadsAndLeavesThenUploadsTheSameBytes)
{
    const auto image = dfusim::makeApplicationImage(kApp, {3, 1, 4}, 5000);
    const std::string imagePath = folder_.file("image.bin");
    dfutest::writeBytes(imagePath, image);

    const auto downloaded = dfuUtil({"-a", "0", "-s", "0x08020000:leave", "-D", imagePath});
    ASSERT_EQ(downloaded.exitCode, 0) << downloaded.out << downloaded.err;
    EXPECT_EQ(dfutest::readBytes(flashFile() + ".started"),
              (std::vector<std::uint8_t>{'0', 'x', '0', '8', '0', '2', '0', '0', '0', '0', '\n'}))
        << "the bootloader did not start the application";
    const auto flash = dfutest::readBytes(flashFile());
    ASSERT_GE(flash.size(), kApp - kFlashStart + image.size());
    EXPECT_TRUE(std::equal(image.begin(), image.end(), flash.begin() + (kApp - kFlashStart)));

    const std::string uploadPath = folder_.file("out.bin");
    const auto uploaded = dfuUtil({"-a", "0", "-s", "0x08020000", "-U", uploadPath});
    ASSERT_EQ(uploaded.exitCode, 0) << uploaded.out << uploaded.err;
    // Without a length the upload runs to the end of the flash; past the image
    // the pages are erased.
    auto expected = image;
    expected.resize(kFlashFromApp, 0xFF);
    EXPECT_EQ(dfutest::readBytes(uploadPath), expected);
}

// An upload with a length that ends in a short block reads that block from
// where it lies, as the device's transfer size places it.
TEST_F(DfuUtilClient, AnUploadEndingInAShortBlockReadsTheImageBack)
{
    // 19 whole blocks of 2048 bytes and 1088 more, no two stretches alike.
    std::vector<std::uint8_t> image(40000);
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = std::uint8_t(i * 131 + i / 256);
    const std::string imagePath = folder_.file("image.bin");
    dfutest::writeBytes(imagePath, image);
    ASSERT_EQ(dfuUtil({"-a", "0", "-s", "0x08020000", "-D", imagePath}).exitCode, 0);

    const std::string uploadPath = folder_.file("back.bin");
    const auto uploaded =
        dfuUtil({"-a", "0", "-s", "0x08020000:" + std::to_string(image.size()), "-U", uploadPath});
    ASSERT_EQ(uploaded.exitCode, 0) << uploaded.out << uploaded.err;
    EXPECT_EQ(dfutest::readBytes(uploadPath), image);
}

} // namespace
