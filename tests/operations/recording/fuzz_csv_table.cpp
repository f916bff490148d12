// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes as an exported table: the reader must never crash;
// what it accepts ends with a line end and holds a record per row at most;
// what it refuses it names by its line, the line one of the text's.
#include "recording/csv_format.h"
#include "recording/csv_reader.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto require = [](bool condition) { condition ? void() : std::abort(); };
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const recording::csv::ReadResult result = recording::csv::readText(text);
    if (result.tables) {
        const auto rows = result.tables->samples.size() + result.tables->calibration.size();
        require(result.error.isEmpty() && text.back() == '\n' &&
                rows < std::size_t(std::count(text.begin(), text.end(), '\n')));
        return 0;
    }
    if (result.error == "the file is empty") {
        require(text.empty());
        return 0;
    }
    require(result.error.startsWith("line "));
    const std::size_t line = result.error.mid(5).section(':', 0, 0).toULongLong();
    const auto lines = std::size_t(std::count(text.begin(), text.end(), '\n')) + 1;
    require(line >= 1 && line <= lines);
    return 0;
}
