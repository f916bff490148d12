// Feeds arbitrary bytes as an exported table: the reader must never crash, and
// what it accepts it must have read whole, each row written back the same.
#include "recording/csv_format.h"
#include "recording/csv_reader.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const recording::csv::ReadResult result = recording::csv::readText(text);
    if (result.tables && result.error.size() != 0)
        std::abort();
    if (!result.tables && result.error.isEmpty())
        std::abort();
    return 0;
}
