// SPDX-License-Identifier: GPL-3.0-or-later
#include "fault_injector.h"

namespace imusim {

ByteDamager::ByteDamager(double corruptRate, double dropRate, std::uint32_t seed)
    : corruptRate_(corruptRate), dropRate_(dropRate), random_(seed)
{
}

void ByteDamager::damage(std::vector<std::uint8_t> &bytes, std::size_t from)
{
    if (!active())
        return;
    std::size_t kept = from;
    for (std::size_t i = from; i < bytes.size(); ++i) {
        if (chance_(random_) < dropRate_) {
            ++dropped_;
            continue;
        }
        std::uint8_t byte = bytes[i];
        if (chance_(random_) < corruptRate_) {
            byte ^= static_cast<std::uint8_t>(1u << bit_(random_));
            ++corrupted_;
        }
        bytes[kept++] = byte;
    }
    bytes.resize(kept);
}

} // namespace imusim
