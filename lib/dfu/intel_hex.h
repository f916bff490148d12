// SPDX-License-Identifier: GPL-3.0-or-later
// Intel HEX reader: record types 00 to 05, either case, LF or CRLF.
#pragma once

#include "image_element.h"

#include <string_view>
#include <vector>

namespace dfu {

// The data of `text` as sorted elements, one per contiguous run.
// Throws InputError naming the line for a malformed record, overlapping data,
// data past 4 GiB, content after the end-of-file record, or a missing
// end-of-file record; also for text without any data.
std::vector<ImageElement> parseIntelHex(std::string_view text);

} // namespace dfu
