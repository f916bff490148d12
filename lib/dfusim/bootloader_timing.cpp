// SPDX-License-Identifier: GPL-3.0-or-later
#include "bootloader_timing.h"

namespace dfusim {

namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;

constexpr std::uint32_t kKiB = 1024;
constexpr std::size_t kWordSize = 4;

milliseconds roundedUp(microseconds duration)
{
    return std::chrono::ceil<milliseconds>(duration);
}

} // namespace

BootloaderTiming BootloaderTiming::fast()
{
    BootloaderTiming timing;
    timing.sectorErase = {{128 * kKiB, milliseconds(10)}};
    timing.massErase = milliseconds(10);
    timing.blockOverhead = milliseconds(1);
    timing.commandBusy = milliseconds(1);
    return timing;
}

BootloaderTiming BootloaderTiming::stm32f4()
{
    BootloaderTiming timing;
    timing.sectorErase = {{16 * kKiB, milliseconds(250)},
                          {64 * kKiB, milliseconds(550)},
                          {128 * kKiB, milliseconds(1000)}};
    timing.massErase = milliseconds(8000);
    timing.wordProgram = microseconds(16);
    timing.blockOverhead = microseconds(0);
    timing.commandBusy = milliseconds(1);
    timing.requestRoundTrip = milliseconds(1);
    timing.packetTime = milliseconds(1);
    timing.packetSize = 64;
    return timing;
}

milliseconds BootloaderTiming::sectorEraseBusy(std::uint32_t sectorSize) const
{
    if (sectorErase.empty())
        return milliseconds(0);
    for (const SectorEraseTime &entry : sectorErase)
        if (entry.sectorSize >= sectorSize)
            return roundedUp(entry.duration);
    return roundedUp(sectorErase.back().duration);
}

milliseconds BootloaderTiming::massEraseBusy() const
{
    return roundedUp(massErase);
}

milliseconds BootloaderTiming::writeBusy(std::size_t bytes) const
{
    const std::size_t words = (bytes + kWordSize - 1) / kWordSize;
    return roundedUp(blockOverhead + wordProgram * std::int64_t(words));
}

milliseconds BootloaderTiming::commandBusyTime() const
{
    return roundedUp(commandBusy);
}

microseconds BootloaderTiming::transferTime(std::size_t dataBytes) const
{
    const std::size_t packets = packetSize == 0 ? 0 : (dataBytes + packetSize - 1) / packetSize;
    return requestRoundTrip + packetTime * std::int64_t(packets);
}

} // namespace dfusim
