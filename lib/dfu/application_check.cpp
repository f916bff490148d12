// SPDX-License-Identifier: GPL-3.0-or-later
#include "application_check.h"

#include "memory_layout.h"
#include "text.h"

#include <algorithm>
#include <cstring>

namespace dfu {

namespace {

constexpr std::size_t kMarkerLength = sizeof kVersionMarker - 1;
constexpr std::size_t kVersionLength = std::tuple_size_v<FirmwareVersion>;

std::uint64_t moduleFlashEnd()
{
    static const std::uint64_t end = parseMemoryLayout(kModuleFlashLayout).runs.back().end();
    return end;
}

// The image's byte at `address`, if an element holds one there.
std::optional<std::uint8_t> byteAt(const std::vector<const ImageElement *> &elements,
                                   std::uint32_t address)
{
    for (const ImageElement *element : elements)
        if (address >= element->address && address < endAddress(*element))
            return element->data[address - element->address];
    return std::nullopt;
}

std::optional<std::uint32_t> wordAt(const std::vector<const ImageElement *> &elements,
                                    std::uint32_t address)
{
    std::uint32_t word = 0;
    for (std::uint32_t i = 0; i < 4; ++i) {
        const auto byte = byteAt(elements, address + i);
        if (!byte)
            return std::nullopt;
        word |= std::uint32_t(*byte) << (8 * i);
    }
    return word;
}

std::string placementProblem(const std::vector<const ImageElement *> &elements)
{
    const std::uint32_t start = elements.front()->address;
    if (start < kApplicationAddress)
        return "image starts at " + hex32(start) + ", the application area starts at " +
               hex32(kApplicationAddress);
    if (start > kApplicationAddress)
        return "image starts at " + hex32(start) + ", not at the start of the application area " +
               hex32(kApplicationAddress);
    std::uint64_t end = 0;
    for (const ImageElement *element : elements)
        end = std::max(end, endAddress(*element));
    if (end > moduleFlashEnd())
        return "image's last byte at " + hex32(std::uint32_t(end - 1)) +
               " lies past the end of flash at " + hex32(std::uint32_t(moduleFlashEnd()));
    return {};
}

std::string vectorTableProblem(const std::vector<const ImageElement *> &elements)
{
    const auto stackPointer = wordAt(elements, kApplicationAddress);
    const auto resetVector = wordAt(elements, kApplicationAddress + 4);
    if (!stackPointer || !resetVector)
        return "image has no vector table at " + hex32(kApplicationAddress);
    if (*stackPointer <= kModuleSramStart || *stackPointer > kModuleSramEnd)
        return "initial stack pointer " + hex32(*stackPointer) + " is not in RAM (" +
               hex32(kModuleSramStart) + " to " + hex32(kModuleSramEnd) + ")";
    if ((*resetVector & 1u) == 0)
        return "reset vector " + hex32(*resetVector) + " is even, not Thumb code";
    if (!byteAt(elements, *resetVector & ~1u))
        return "reset vector " + hex32(*resetVector) + " points outside the image";
    return {};
}

// The first marker with all its version bytes. memchr finds the marker's
// first letter at memory speed, which keeps the search of a megabyte image
// far below the cost of reading it.
std::optional<FirmwareVersion> versionIn(const std::vector<std::uint8_t> &data)
{
    const std::uint8_t *at = data.data();
    const std::uint8_t *const end = data.data() + data.size();
    while (std::size_t(end - at) >= kMarkerLength + kVersionLength) {
        at = static_cast<const std::uint8_t *>(
            std::memchr(at, kVersionMarker[0], std::size_t(end - at)));
        if (!at || std::size_t(end - at) < kMarkerLength + kVersionLength)
            return std::nullopt;
        if (std::memcmp(at, kVersionMarker, kMarkerLength) == 0) {
            FirmwareVersion version;
            std::copy_n(at + kMarkerLength, kVersionLength, version.begin());
            return version;
        }
        ++at;
    }
    return std::nullopt;
}

std::optional<FirmwareVersion> statedVersion(const std::vector<const ImageElement *> &elements)
{
    for (const ImageElement *element : elements)
        if (const auto version = versionIn(element->data))
            return version;
    return std::nullopt;
}

} // namespace

ApplicationCheck checkApplicationImage(const std::vector<ImageElement> &elements)
{
    std::vector<const ImageElement *> inOrder;
    for (const ImageElement &element : elements)
        if (!element.data.empty())
            inOrder.push_back(&element);
    if (inOrder.empty())
        return {"the image holds no data", std::nullopt};
    std::stable_sort(
        inOrder.begin(), inOrder.end(),
        [](const ImageElement *a, const ImageElement *b) { return a->address < b->address; });
    ApplicationCheck check;
    check.version = statedVersion(inOrder);
    check.problem = placementProblem(inOrder);
    if (check.problem.empty())
        check.problem = vectorTableProblem(inOrder);
    return check;
}

std::string versionText(const FirmwareVersion &version)
{
    return std::to_string(version[0]) + "." + std::to_string(version[1]) + "." +
           std::to_string(version[2]);
}

} // namespace dfu
