// SPDX-License-Identifier: GPL-3.0-or-later
// How long the simulated bootloader takes: the busy time of each flash
// operation, which the device announces as the poll timeout of GETSTATUS and
// keeps as its busy state, and the time USB needs to carry a control request.
// docs/simulator.md gives the sources of the realistic figures.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace dfusim {

struct SectorEraseTime
{
    std::uint32_t sectorSize = 0;
    std::chrono::microseconds duration{0};
};

struct BootloaderTiming
{
    // Ascending by sector size. A sector takes the time of the first entry at
    // least as large, a sector larger than all of them the last entry's time.
    std::vector<SectorEraseTime> sectorErase;
    std::chrono::microseconds massErase{0};
    std::chrono::microseconds wordProgram{0};   // one 32-bit word
    std::chrono::microseconds blockOverhead{0}; // per written block, beside the words
    std::chrono::microseconds commandBusy{0};   // a command that does not touch flash
    // USB: every control request costs one round trip, and its data stage one
    // packet time per (started) packet of `packetSize` bytes.
    std::chrono::microseconds requestRoundTrip{0};
    std::chrono::microseconds packetTime{0};
    std::uint16_t packetSize = 64;

    // Short times that keep tests and demonstrations quick.
    static BootloaderTiming fast();
    // The figures of an STM32F405/407 at 2.7-3.6 V (32-bit parallelism).
    static BootloaderTiming stm32f4();

    // Busy times, rounded up to the whole milliseconds of a DFU poll timeout.
    std::chrono::milliseconds sectorEraseBusy(std::uint32_t sectorSize) const;
    std::chrono::milliseconds massEraseBusy() const;
    std::chrono::milliseconds writeBusy(std::size_t bytes) const;
    std::chrono::milliseconds commandBusyTime() const;
    // The time a control request with `dataBytes` in its data stage spends on the bus.
    std::chrono::microseconds transferTime(std::size_t dataBytes) const;
};

} // namespace dfusim
