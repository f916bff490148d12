// Whole-file reads and all-or-nothing writes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace dfu {

// Throws InputError naming the reason when the file cannot be read.
std::vector<std::uint8_t> readWholeFile(const std::string &path);

// Writes into a new file beside `path` and renames it over `path`, so that
// `path` either keeps its old state or holds all of `bytes`. Throws InputError.
void writeFileAtomically(const std::string &path, const std::vector<std::uint8_t> &bytes);

} // namespace dfu
