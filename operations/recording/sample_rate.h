// The sample rate of recorded records, from their times: one over the median
// interval, so that a few late or lost samples do not change it.
#pragma once

#include <algorithm>
#include <vector>

namespace recording {

// 0 with fewer than two records or no positive median interval.
template <class RecordType> double medianRate(const std::vector<RecordType> &records)
{
    std::vector<double> intervals;
    intervals.reserve(records.size());
    for (std::size_t i = 1; i < records.size(); ++i)
        intervals.push_back(records[i].seconds - records[i - 1].seconds);
    if (intervals.empty())
        return 0;
    const auto middle = intervals.begin() + std::ptrdiff_t(intervals.size() / 2);
    std::nth_element(intervals.begin(), middle, intervals.end());
    return *middle > 0 ? 1 / *middle : 0;
}

} // namespace recording
