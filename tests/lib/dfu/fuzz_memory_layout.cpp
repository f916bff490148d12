// SPDX-License-Identifier: GPL-3.0-or-later
// Any text either gives page runs that lie within 4 GiB and answer page
// look-ups consistently, or is refused with an InputError.
#include "image_element.h"
#include "input_error.h"
#include "memory_layout.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    try {
        const auto layout =
            dfu::parseMemoryLayout(std::string(reinterpret_cast<const char *>(data), size));
        for (const auto &run : layout.runs) {
            if (run.pageSize == 0 || run.pageCount == 0 || run.end() > dfu::kAddressSpace)
                std::abort();
            const auto last = dfu::pageAt(layout, std::uint32_t(run.end() - 1));
            if (!last || last->size != run.pageSize ||
                last->start + std::uint64_t(last->size) != run.end())
                std::abort();
        }
    } catch (const dfu::InputError &) {
    }
    return 0;
}
