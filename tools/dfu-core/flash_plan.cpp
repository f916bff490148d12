#include "flash_plan.h"

#include "input_error.h"

#include <algorithm>
#include <cstdio>

namespace dfu {

namespace {

std::string hex32(std::uint32_t value)
{
    char text[11];
    std::snprintf(text, sizeof text, "0x%08x", unsigned(value));
    return text;
}

void checkNoOverlap(std::vector<const ImageElement *> sorted)
{
    std::sort(sorted.begin(), sorted.end(),
              [](const ImageElement *a, const ImageElement *b) { return a->address < b->address; });
    for (std::size_t i = 1; i < sorted.size(); ++i)
        if (endAddress(*sorted[i - 1]) > sorted[i]->address)
            throw InputError("elements at " + hex32(sorted[i - 1]->address) + " and " +
                             hex32(sorted[i]->address) + " overlap");
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
    std::vector<const ImageElement *> nonEmpty;
    FlashPlan plan;
    for (const ImageElement &element : elements) {
        if (element.data.empty())
            continue;
        nonEmpty.push_back(&element);
        plan.bytesToWrite += element.data.size();
        addPagesOf(element, layout, plan.pagesToErase);
    }
    checkNoOverlap(nonEmpty);
    auto &pages = plan.pagesToErase;
    std::sort(pages.begin(), pages.end(),
              [](const Page &a, const Page &b) { return a.start < b.start; });
    pages.erase(std::unique(pages.begin(), pages.end(),
                            [](const Page &a, const Page &b) { return a.start == b.start; }),
                pages.end());
    return plan;
}

} // namespace dfu
