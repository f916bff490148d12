// SPDX-License-Identifier: GPL-3.0-or-later
#include "byte_order.h"
#include "crc32.h"
#include "dfu_suffix.h"
#include "dfuse_file.h"
#include "input_error.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

dfu::DfuseFile sampleFile()
{
    dfu::DfuseFile file;
    file.targets.push_back({});
    file.targets[0].elements = {{0x08020000, {1, 2, 3, 4, 5}}, {0x08040000, {6, 7}}};
    return file;
}

// Puts a fresh CRC on bytes edited after writing, so that only the edit is wrong.
void resealCrc(std::vector<std::uint8_t> &bytes)
{
    bytes.resize(bytes.size() - 4);
    dfu::appendLe32(bytes, dfu::crc32(bytes.data(), bytes.size()));
}

void putLe32(std::vector<std::uint8_t> &bytes, std::size_t offset, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + std::size_t(i)] = std::uint8_t(value >> (8 * i));
}

std::string refusal(const std::vector<std::uint8_t> &bytes)
{
    try {
        dfu::parseDfuse(bytes);
    } catch (const dfu::InputError &error) {
        return error.what();
    }
    return "accepted";
}

constexpr std::size_t kPrefix = 11;
constexpr std::size_t kTargetPrefix = 274;
constexpr std::size_t kTargetSizeOffset = kPrefix + 266;
constexpr std::size_t kFirstElement = kPrefix + kTargetPrefix;

TEST(Crc32, MatchesTheDfuSuffixConvention)
{
    const char *check = "123456789";
    // The standard CRC-32 check value 0xCBF43926, without the final inversion.
    EXPECT_EQ(dfu::crc32(reinterpret_cast<const std::uint8_t *>(check), 9), ~0xCBF43926u);
    const auto whole = dfu::crc32(reinterpret_cast<const std::uint8_t *>(check), 9);
    const auto pieces = dfu::crc32(reinterpret_cast<const std::uint8_t *>(check) + 4, 5,
                                   dfu::crc32(reinterpret_cast<const std::uint8_t *>(check), 4));
    EXPECT_EQ(pieces, whole);

    // Every length up to 300 at an odd start, against the register updated one
    // bit at a time; then a long input fed in pieces of growing size.
    std::vector<std::uint8_t> bytes(5000);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = std::uint8_t(i * 31 + 7 + (i >> 7));
    const auto bitwise = [](const std::uint8_t *data, std::size_t size) {
        std::uint32_t reference = 0xFFFFFFFFu;
        for (std::size_t i = 0; i < size; ++i) {
            reference ^= data[i];
            for (int bit = 0; bit < 8; ++bit)
                reference = (reference & 1u) ? (reference >> 1) ^ 0xEDB88320u : reference >> 1;
        }
        return reference;
    };
    for (std::size_t size = 0; size <= 300; ++size)
        ASSERT_EQ(dfu::crc32(bytes.data() + 1, size), bitwise(bytes.data() + 1, size)) << size;
    std::uint32_t fed = 0xFFFFFFFFu;
    std::size_t offset = 0;
    for (std::size_t piece = 1; offset < bytes.size(); piece += 13) {
        const std::size_t size = std::min(piece, bytes.size() - offset);
        fed = dfu::crc32(bytes.data() + offset, size, fed);
        offset += size;
    }
    EXPECT_EQ(fed, bitwise(bytes.data(), bytes.size()));
}

TEST(DfuseFile, WritesTheLayoutFieldsAndReadsThemBack)
{
    const auto bytes = dfu::serializeDfuse(sampleFile());
    ASSERT_EQ(bytes.size(), kPrefix + kTargetPrefix + (8 + 5) + (8 + 2) + 16);
    EXPECT_EQ(std::memcmp(bytes.data(), "DfuSe\x01", 6), 0);
    EXPECT_EQ(dfu::readLe32(bytes.data() + 6), bytes.size());
    EXPECT_EQ(bytes[10], 1);
    EXPECT_EQ(std::memcmp(bytes.data() + kPrefix, "Target\x00\x01\x00\x00\x00ST...\x00", 17), 0);
    EXPECT_EQ(dfu::readLe32(bytes.data() + kTargetSizeOffset), 23u);
    EXPECT_EQ(dfu::readLe32(bytes.data() + kTargetSizeOffset + 4), 2u);

    const auto suffix = dfu::readSuffix(bytes);
    ASSERT_TRUE(suffix);
    EXPECT_EQ(suffix->fields.vendorId, dfu::kBootloaderVendorId);
    EXPECT_EQ(suffix->fields.productId, dfu::kBootloaderProductId);
    EXPECT_EQ(suffix->fields.bcdDevice, 0x0000);
    EXPECT_EQ(suffix->fields.bcdDfu, dfu::kDfuseVersion);
    EXPECT_EQ(suffix->storedCrc, suffix->computedCrc);

    const auto file = dfu::parseDfuse(bytes);
    ASSERT_EQ(file.targets.size(), 1u);
    EXPECT_EQ(file.targets[0].name, "ST...");
    ASSERT_EQ(file.targets[0].elements.size(), 2u);
    EXPECT_EQ(file.targets[0].elements[1].address, 0x08040000u);
    EXPECT_EQ(file.targets[0].elements[1].data, (std::vector<std::uint8_t>{6, 7}));
}

TEST(DfuseFile, EverySingleByteCorruptionIsRefused)
{
    const auto good = dfu::serializeDfuse(sampleFile());
    for (std::size_t i = 0; i < good.size(); ++i) {
        auto bad = good;
        bad[i] ^= 0x01;
        EXPECT_NE(refusal(bad), "accepted") << "byte " << i;
    }
}

TEST(DfuseFile, EveryTruncationIsRefused)
{
    const auto good = dfu::serializeDfuse(sampleFile());
    for (std::size_t length = 0; length < good.size(); ++length)
        EXPECT_NE(refusal({good.begin(), good.begin() + std::ptrdiff_t(length)}), "accepted")
            << length;
}

TEST(DfuseFile, InconsistentSizesAreRefusedEvenWithAMatchingCrc)
{
    const auto good = dfu::serializeDfuse(sampleFile());
    struct Case
    {
        std::size_t offset;
        std::uint32_t value;
        std::string expected;
    };
    for (const Case &c :
         {Case{6, std::uint32_t(good.size() + 1), "the prefix declares"},
          Case{kTargetSizeOffset, 22, "a target's declared size does not match its elements"},
          Case{kTargetSizeOffset, 0xFFFFFF00u, "a target declares more bytes than the file holds"},
          Case{kTargetSizeOffset + 4, 1, "a target's declared size"},
          Case{kTargetSizeOffset + 4, 3, "the file is cut off inside"},
          Case{kFirstElement + 4, 0x10000, "the file is cut off inside element data"},
          Case{kFirstElement, 0xFFFFFFFEu, "an element at 0xFFFFFFFE runs beyond 4 GiB"}}) {
        auto bad = good;
        putLe32(bad, c.offset, c.value);
        resealCrc(bad);
        EXPECT_EQ(refusal(bad).rfind(c.expected, 0), 0u) << c.offset << ": " << refusal(bad);
    }
}

TEST(DfuseFile, RefusesForeignFilesAndFormatsWithTheirReason)
{
    const auto good = dfu::serializeDfuse(sampleFile());
    auto version = good;
    version[5] = 2;
    resealCrc(version);
    EXPECT_EQ(refusal(version), "unsupported DfuSe format version 2");

    auto plainDfu = good;
    plainDfu[plainDfu.size() - 10] = 0x00; // bcdDFU 0x0100
    plainDfu[plainDfu.size() - 9] = 0x01;
    resealCrc(plainDfu);
    EXPECT_NE(refusal(plainDfu).find("not the DfuSe version"), std::string::npos);

    auto crc = good;
    crc.back() ^= 0xFF;
    EXPECT_EQ(refusal(crc).rfind("CRC mismatch", 0), 0u);

    auto trailing = good;
    trailing.insert(trailing.end() - 16, 0xAA);
    putLe32(trailing, 6, std::uint32_t(trailing.size()));
    resealCrc(trailing);
    EXPECT_EQ(refusal(trailing), "1 unexplained bytes between the last target and the suffix");

    EXPECT_EQ(refusal(std::vector<std::uint8_t>(100, 0)),
              "not a DfuSe file: the signature \"DfuSe\" is missing");
}

TEST(DfuseFile, AcceptsAnImageSizeThatLeavesOutTheSuffix)
{
    auto bytes = dfu::serializeDfuse(sampleFile());
    putLe32(bytes, 6, std::uint32_t(bytes.size() - 16));
    resealCrc(bytes);
    EXPECT_EQ(refusal(bytes), "accepted");
}

} // namespace
