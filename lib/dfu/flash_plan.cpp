// SPDX-License-Identifier: GPL-3.0-or-later
#include "flash_plan.h"

#include "address_range.h"
#include "input_error.h"
#include "text.h"

#include <algorithm>

namespace dfu {

namespace {

void checkNoOverlap(const std::vector<AddressRange> &occupied)
{
    if (const auto pair = findFirstOverlap(occupied))
        throw InputError("elements at " + hex32(std::uint32_t(occupied[pair->lower].start)) +
                         " and " + hex32(std::uint32_t(occupied[pair->higher].start)) + " overlap");
}

void addPagesOf(const ImageElement &element, const MemoryLayout &layout, std::vector<Page> &pages)
{
    std::uint64_t address = element.address;
    while (address < endAddress(element)) {
        const auto page = pageAt(layout, std::uint32_t(address));
        if (!page)
            throw InputError("address " + hex32(std::uint32_t(address)) +
                             " lies outside the device's memory \"" + layout.name + "\"");
        if (!page->run->readable || !page->run->erasable || !page->run->writable)
            throw InputError("address " + hex32(std::uint32_t(address)) +
                             " lies in memory that cannot be erased, written and read back");
        pages.push_back(*page);
        address = std::uint64_t(page->start) + page->size;
    }
}

} // namespace

FlashPlan planFlash(const std::vector<ImageElement> &elements, const MemoryLayout &layout)
{
    std::vector<AddressRange> occupied;
    FlashPlan plan;
    for (const ImageElement &element : elements) {
        if (element.data.empty())
            continue;
        occupied.push_back({element.address, endAddress(element)});
        plan.bytesToWrite += element.data.size();
        addPagesOf(element, layout, plan.pagesToErase);
    }
    checkNoOverlap(occupied);
    auto &pages = plan.pagesToErase;
    std::sort(pages.begin(), pages.end(),
              [](const Page &a, const Page &b) { return a.start < b.start; });
    pages.erase(std::unique(pages.begin(), pages.end(),
                            [](const Page &a, const Page &b) { return a.start == b.start; }),
                pages.end());
    return plan;
}

} // namespace dfu
