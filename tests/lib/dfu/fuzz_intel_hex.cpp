// SPDX-License-Identifier: GPL-3.0-or-later
// Any text either becomes sorted, non-overlapping elements within 4 GiB or is
// refused with an InputError.
#include "input_error.h"
#include "intel_hex.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    try {
        const auto elements =
            dfu::parseIntelHex(std::string(reinterpret_cast<const char *>(data), size));
        std::uint64_t previousEnd = 0;
        for (const auto &element : elements) {
            if (element.data.empty() || element.address < previousEnd ||
                dfu::endAddress(element) > dfu::kAddressSpace)
                std::abort();
            previousEnd = dfu::endAddress(element) + 1; // adjacent runs would have been joined
        }
    } catch (const dfu::InputError &) {
    }
    return 0;
}
