// SPDX-License-Identifier: GPL-3.0-or-later
// Whole-file reads and all-or-nothing writes. Paths are UTF-8 on every
// system, so names outside the local code page work on Windows too.
#pragma once

#include "byte_span.h"

#include <cstdint>
#include <string>
#include <vector>

namespace dfu {

// Throws InputError naming the reason when the file cannot be read.
std::vector<std::uint8_t> readWholeFile(const std::string &utf8Path);

// Writes into a new file beside the path and renames it over the path, so that
// the path either keeps its old state or holds all of `spans`, one after the
// other. Throws InputError.
void writeFileAtomically(const std::string &utf8Path, const std::vector<ByteSpan> &spans);

} // namespace dfu
