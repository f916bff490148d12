// SPDX-License-Identifier: GPL-3.0-or-later
#include "file_io.h"
#include "input_error.h"

#include "dfu_test_support.h"

#include <gtest/gtest.h>

#include <thread>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

std::vector<std::uint8_t> pattern(std::size_t size)
{
    return dfutest::patternBytes(size, 3);
}

TEST(FileIo, ReadsFilesOfKnownAndUnknownSizeWhole)
{
    dfutest::TemporaryFolder folder;
    const std::string regular = folder.file("image.bin");
    dfutest::writeBytes(regular, pattern(70000));
    EXPECT_EQ(dfu::readWholeFile(regular), pattern(70000));
    dfutest::writeBytes(regular, {});
    EXPECT_TRUE(dfu::readWholeFile(regular).empty());
    EXPECT_THROW(dfu::readWholeFile(folder.file("missing.bin")), dfu::InputError);
#ifndef _WIN32
    // A pipe has no size to ask for: it is read in growing chunks to its end.
    const std::string fifo = folder.file("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::thread writer([&] { dfutest::writeBytes(fifo, pattern(300000)); });
    const auto read = dfu::readWholeFile(fifo);
    writer.join();
    EXPECT_EQ(read, pattern(300000));
#endif
}

} // namespace
