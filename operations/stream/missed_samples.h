// SPDX-License-Identifier: GPL-3.0-or-later
// Samples the module sent that the host never received, as far as the device
// library reports them. Our library counts them (missedSamples()); a library
// without that member leaves them unknown. Chosen at compile time, so the
// window and the command line build unchanged against either.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <limits>
#include <optional>
#include <type_traits>
#include <utility>

namespace stream {

template <class Device, class = void> inline constexpr bool kReportsMissedSamples = false;
template <class Device>
inline constexpr bool
    kReportsMissedSamples<Device, std::void_t<decltype(std::declval<Device &>().missedSamples())>> =
        true;

// The library's total since its startRecv(); empty when it does not count.
template <class Device> std::optional<std::uint64_t> missedSamples(const Device &device)
{
    if constexpr (kReportsMissedSamples<Device>)
        return device.missedSamples();
    else
        return std::nullopt;
}

// Follows the library's total record by record: how many samples were missed
// just before each, and how many since restart(). The library's total starts
// again at each startRecv() (a reconnect), whose first record counts nothing:
// a total below the last one seen is such a new start.
//
// beforeRecord() runs on the receive thread, for every record delivered; the
// others on any thread.
template <class Device> class MissedSampleTally
{
public:
    explicit MissedSampleTally(const Device &device) : device_(device) {}

    std::uint32_t beforeRecord()
    {
        const std::optional<std::uint64_t> total = missedSamples(device_);
        if (!total)
            return 0;
        const std::uint64_t missed = *total >= lastTotal_ ? *total - lastTotal_ : *total;
        lastTotal_ = *total;
        if (missed != 0)
            sinceRestart_.fetch_add(missed, std::memory_order_relaxed);
        return std::uint32_t(
            std::min<std::uint64_t>(missed, std::numeric_limits<std::uint32_t>::max()));
    }

    void restart() { sinceRestart_.store(0, std::memory_order_relaxed); }

    // Empty when the library does not count.
    std::optional<std::uint64_t> sinceRestart() const
    {
        if constexpr (kReportsMissedSamples<Device>)
            return sinceRestart_.load(std::memory_order_relaxed);
        else
            return std::nullopt;
    }

private:
    const Device &device_;
    std::uint64_t lastTotal_ = 0; // receive thread only
    std::atomic<std::uint64_t> sinceRestart_{0};
};

} // namespace stream
