// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes as a recording's spill file: the check must never
// crash, and what it keeps plus what it cuts is the whole file, readable
// record by record.
#include "recording/recovery.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

void check(const std::uint8_t *data, std::size_t size, std::size_t recordSize)
{
    std::FILE *file = fmemopen(const_cast<std::uint8_t *>(data), size, "rb");
    if (!file)
        return; // fmemopen refuses an empty buffer
    const recording::SpillExtent extent = recording::checkSpill(file, recordSize);
    require(extent.records * recordSize + extent.cutBytes == size);
    require(!extent.malformed || extent.cutBytes >= recordSize);
    std::rewind(file);
    recording::SpoolSnapshot kept(recordSize, file, extent.records, {});
    std::vector<unsigned char> records(7 * recordSize);
    std::uint64_t read = 0;
    while (const std::size_t n = kept.read(records.data(), 7))
        read += n;
    require(read == extent.records);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    check(data, size, sizeof(recording::SampleRecord));
    check(data, size, sizeof(recording::CalibrationRecord));
    return 0;
}
