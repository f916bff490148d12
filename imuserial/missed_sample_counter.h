// SPDX-License-Identifier: GPL-3.0-or-later
// Counts the samples a module numbered but the host never received, from the
// module's running sample counter in the sequence field of every data frame.
// Both kinds of data frame share that counter (docs/serial-protocol.md).
#pragma once

#include <atomic>
#include <cstdint>

namespace IMUserial {

// count() runs on the port thread; the others on any thread.
//
// The counter has 8 bits: a jump of d is d - 1 missing samples, modulo 256,
// so a gap of 256 samples or more is undercounted by a multiple of 256.
class MissedSampleCounter
{
public:
    // The next frame sets the reference and counts nothing: after the count
    // is started, a port is opened, or a stream is (re)started.
    void resynchronise() { resynchronise_.store(true, std::memory_order_relaxed); }
    void restart()
    {
        total_.store(0, std::memory_order_relaxed);
        resynchronise();
    }

    // For each data frame delivered: adds the gap in front of it.
    void count(std::uint8_t sequence)
    {
        const bool fresh = resynchronise_.load(std::memory_order_relaxed) &&
                           resynchronise_.exchange(false, std::memory_order_relaxed);
        const auto missed = static_cast<std::uint8_t>(sequence - last_ - 1);
        last_ = sequence;
        if (!fresh && missed != 0)
            total_.fetch_add(missed, std::memory_order_relaxed);
    }

    std::uint64_t total() const { return total_.load(std::memory_order_relaxed); }

private:
    std::atomic<bool> resynchronise_{true};
    std::atomic<std::uint64_t> total_{0};
    std::uint8_t last_ = 0; // port thread only
};

} // namespace IMUserial
