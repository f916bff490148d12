// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the station's serial-number map reader: it must
// never crash, it reads a map or names the line it refuses, and a map it reads
// gives every unit one valid serial number that no other unit has.
#include "station_plan.h"

#include "identity/identity.h"

#include <QSet>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));
    const cli::SerialMap map = cli::parseSerialMap(text, QStringLiteral("map.csv"));
    if (!map.error.isEmpty()) {
        require(map.error.startsWith(QStringLiteral("map.csv: line ")));
        return 0;
    }
    QSet<QString> serialNumbers;
    for (auto it = map.serialNumberOf.cbegin(); it != map.serialNumberOf.cend(); ++it) {
        require(!it.key().isEmpty() && it.key() == it.key().toUpper());
        require(identity::isValidSerialNumber(it.value()));
        require(!serialNumbers.contains(it.value()));
        serialNumbers.insert(it.value());
    }
    return 0;
}
