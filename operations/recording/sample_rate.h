// SPDX-License-Identifier: GPL-3.0-or-later
// The sample rate of recorded records, from their times. The times are when
// the host received each record, and a serial link delivers records in bursts,
// so single intervals say little (their median can be 10 % off); the records
// the module sent over the whole span, the missed ones included, do not.
#pragma once

#include <cstdint>
#include <vector>

namespace recording {

// Samples per second from the first to the last record; 0 with fewer than
// two records or no time between them.
template <class RecordType> double recordedRate(const std::vector<RecordType> &records)
{
    if (records.size() < 2)
        return 0;
    const double span = records.back().seconds - records.front().seconds;
    std::uint64_t sent = records.size() - 1;
    for (std::size_t i = 1; i < records.size(); ++i)
        sent += records[i].missedBefore;
    return span > 0 ? double(sent) / span : 0;
}

} // namespace recording
