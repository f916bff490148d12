// SPDX-License-Identifier: GPL-3.0-or-later
#include "flash_plan.h"
#include "input_error.h"
#include "memory_layout.h"

#include <gtest/gtest.h>

namespace {

const std::string kF4 = "@Internal Flash  /0x08000000/04*016Kg,01*064Kg,07*128Kg";

std::string refusal(const std::string &text)
{
    try {
        dfu::parseMemoryLayout(text);
    } catch (const dfu::InputError &error) {
        return error.what();
    }
    return "accepted";
}

TEST(MemoryLayout, ReadsTheF4FlashMap)
{
    const auto layout = dfu::parseMemoryLayout(kF4);
    EXPECT_EQ(layout.name, "Internal Flash");
    ASSERT_EQ(layout.runs.size(), 3u);
    EXPECT_EQ(layout.runs[0].start, 0x08000000u);
    EXPECT_EQ(layout.runs[0].pageSize, 16u * 1024);
    EXPECT_EQ(layout.runs[0].pageCount, 4u);
    EXPECT_EQ(layout.runs[1].start, 0x08010000u);
    EXPECT_EQ(layout.runs[1].pageSize, 64u * 1024);
    EXPECT_EQ(layout.runs[2].start, 0x08020000u);
    EXPECT_EQ(layout.runs[2].end(), 0x08100000u);
    EXPECT_TRUE(layout.runs[2].readable && layout.runs[2].erasable && layout.runs[2].writable);

    struct Probe
    {
        std::uint32_t address;
        std::uint32_t pageStart;
        std::uint32_t pageSize;
    };
    for (const Probe &p :
         {Probe{0x08000000, 0x08000000, 0x4000}, Probe{0x0800FFFF, 0x0800C000, 0x4000},
          Probe{0x08010000, 0x08010000, 0x10000}, Probe{0x0803FFFF, 0x08020000, 0x20000},
          Probe{0x080FFFFF, 0x080E0000, 0x20000}}) {
        const auto page = dfu::pageAt(layout, p.address);
        ASSERT_TRUE(page) << std::hex << p.address;
        EXPECT_EQ(page->start, p.pageStart) << std::hex << p.address;
        EXPECT_EQ(page->size, p.pageSize);
    }
    EXPECT_FALSE(dfu::pageAt(layout, 0x07FFFFFF));
    EXPECT_FALSE(dfu::pageAt(layout, 0x08100000));
}

TEST(MemoryLayout, ReadsSeveralRegionsMultipliersAndTypes)
{
    const auto layout =
        dfu::parseMemoryLayout("@Option Bytes  /0x1FFFC000/01*016 e/0x20000000/2*1Ma,3*512Bg");
    ASSERT_EQ(layout.runs.size(), 3u);
    EXPECT_EQ(layout.runs[0].pageSize, 16u);
    EXPECT_TRUE(layout.runs[0].readable);
    EXPECT_FALSE(layout.runs[0].erasable);
    EXPECT_TRUE(layout.runs[0].writable);
    EXPECT_EQ(layout.runs[1].pageSize, 1024u * 1024);
    EXPECT_TRUE(layout.runs[1].readable && !layout.runs[1].writable);
    EXPECT_EQ(layout.runs[2].start, 0x20200000u);
    EXPECT_EQ(layout.runs[2].pageSize, 512u);
}

TEST(MemoryLayout, RefusesMalformedText)
{
    for (const std::string &bad :
         {std::string(""), std::string("Internal Flash/0x08000000/04*016Kg"), std::string("@Flash"),
          std::string("@Flash/0x08000000"), std::string("@Flash/0x0800000G/1*1Kg"),
          std::string("@Flash/0x08000000/04016Kg"), std::string("@Flash/0x08000000/04*016Kz"),
          std::string("@Flash/0x08000000/04*016K"), std::string("@Flash/0x08000000/04*016Kgx"),
          std::string("@Flash/0x08000000/0*016Kg"), std::string("@Flash/0x08000000/*016Kg"),
          std::string("@Flash/0xFFFF0000/2*64Kg"),
          std::string("@Flash/0x08000000/999999999*999999999Mg"),
          std::string("@Flash/0x08000000/4*16Kg/0x08008000/1*16Kg")})
        EXPECT_EQ(refusal(bad).rfind("memory layout: ", 0), 0u) << bad;
}

TEST(MemoryLayout, RegionsMayTouchButNotOverlapInAnyOrder)
{
    EXPECT_EQ(dfu::parseMemoryLayout("@Flash/0x08010000/1*16Kg/0x08000000/4*16Kg").runs.size(), 2u);
    for (const std::string &overlapping :
         {std::string("@Flash/0x08000000/4*16Kg/0x0800C000/1*16Kg"),
          std::string("@Flash/0x0800C000/1*16Kg/0x08000000/4*16Kg")})
        EXPECT_EQ(refusal(overlapping), "memory layout: regions overlap") << overlapping;
}

TEST(FlashPlan, ErasesEveryTouchedPageOnceInAddressOrder)
{
    const auto layout = dfu::parseMemoryLayout(kF4);
    const std::vector<dfu::ImageElement> elements{
        {0x08020010, std::vector<std::uint8_t>(0x20000, 1)}, // straddles two 128 KiB pages
        {0x08000000, {1}},
        {0x08003FFF, {2, 3}}, // crosses from the first 16 KiB page into the second
        {0x08021000, {}},
    };
    const auto plan = dfu::planFlash(elements, layout);
    std::vector<std::uint32_t> starts;
    for (const auto &page : plan.pagesToErase)
        starts.push_back(page.start);
    EXPECT_EQ(starts, (std::vector<std::uint32_t>{0x08000000, 0x08004000, 0x08020000, 0x08040000}));
    EXPECT_EQ(plan.bytesToWrite, 0x20000u + 3);
}

TEST(FlashPlan, RefusesElementsOutsideWritableFlashOrOverlapping)
{
    const auto layout = dfu::parseMemoryLayout(kF4 + "/0x1FFF7800/01*512 e");
    auto refusalOf = [&](std::vector<dfu::ImageElement> elements) {
        try {
            dfu::planFlash(elements, layout);
        } catch (const dfu::InputError &error) {
            return std::string(error.what());
        }
        return std::string("accepted");
    };
    EXPECT_EQ(refusalOf({{0x080FFFFF, {1, 2}}}),
              "address 0x08100000 lies outside the device's memory \"Internal Flash\"");
    EXPECT_EQ(refusalOf({{0x20000000, {1}}}).rfind("address 0x20000000 lies outside", 0), 0u);
    EXPECT_EQ(refusalOf({{0x1FFF7800, {1}}}),
              "address 0x1fff7800 lies in memory that cannot be erased, written and read back");
    EXPECT_EQ(refusalOf({{0x08020000, {1, 2}}, {0x08020001, {3}}}),
              "elements at 0x08020000 and 0x08020001 overlap");
    EXPECT_EQ(refusalOf({{0x08030000, {1}}, {0x08020001, {3}}, {0x08020000, {1, 2}}}),
              "elements at 0x08020000 and 0x08020001 overlap");
}

} // namespace
