// SPDX-License-Identifier: GPL-3.0-or-later
// Which pages a set of elements touches, checked against the device's layout
// before anything is sent to the device.
#pragma once

#include "image_element.h"
#include "memory_layout.h"

#include <vector>

namespace dfu {

struct FlashPlan
{
    std::vector<Page> pagesToErase; // each page once, in address order
    std::uint64_t bytesToWrite = 0;
};

// Throws InputError when elements overlap or a byte lies outside memory that
// is readable, erasable and writable.
FlashPlan planFlash(const std::vector<ImageElement> &elements, const MemoryLayout &layout);

} // namespace dfu
