// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the flasher's progress-line parser: it must never
// crash, and what it accepts must hold up.
#include "firmware/flash_progress.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

bool same(const firmware::FlashProgress &a, const firmware::FlashProgress &b)
{
    return a.phase == b.phase && a.done == b.done && a.total == b.total;
}

QByteArray phaseWord(firmware::FirmwarePhase phase)
{
    switch (phase) {
    case firmware::FirmwarePhase::Erase:
        return "erase";
    case firmware::FirmwarePhase::Write:
        return "write";
    case firmware::FirmwarePhase::Verify:
        return "verify";
    case firmware::FirmwarePhase::Leave:
        return "leave";
    case firmware::FirmwarePhase::Convert:
        break;
    }
    std::abort(); // the flasher never reports a conversion
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray line(reinterpret_cast<const char *>(data), qsizetype(size));
    const auto parsed = firmware::parseProgressLine(line);
    if (!parsed)
        return 0;
    require(parsed->done >= 0 && parsed->done <= parsed->total);
    // Printed again in its plain form it reads the same, with a line end too.
    const QByteArray printed = "progress " + phaseWord(parsed->phase) + ' ' +
                               QByteArray::number(parsed->done) + ' ' +
                               QByteArray::number(parsed->total);
    for (const QByteArray &again : {printed, printed + "\n", printed + "\r\n"}) {
        const auto reread = firmware::parseProgressLine(again);
        require(reread && same(*reread, *parsed));
    }
    // Text before a progress line makes it free text.
    require(!firmware::parseProgressLine("x" + line));
    return 0;
}
