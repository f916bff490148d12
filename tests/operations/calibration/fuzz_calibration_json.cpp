// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the calibration file reader: it must never crash,
// and the sets it accepts must survive being written and read again.
#include "calibration/calibration_json.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

template <std::size_t N> void requireFinite(const float (&values)[N])
{
    for (float value : values)
        require(std::isfinite(value));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));
    const calibration::Parsed parsed = calibration::fromJson(text);
    require(parsed.sets.has_value() == parsed.error.isEmpty());
    if (!parsed.sets)
        return 0;
    const calibration::Sets &sets = *parsed.sets;
    requireFinite(sets.imu1.gyr_mis);
    requireFinite(sets.imu2.acc_bias);
    requireFinite(sets.mag.mag_radii);
    const calibration::Parsed again = calibration::fromJson(calibration::toJson(sets));
    require(again.sets && std::memcmp(&*again.sets, &sets, sizeof sets) == 0);
    return 0;
}
