// SPDX-License-Identifier: GPL-3.0-or-later
#include "dfu_suffix.h"

#include "byte_order.h"
#include "crc32.h"

namespace dfu {

void appendSuffix(std::vector<std::uint8_t> &out, const DfuSuffix &suffix, std::uint32_t crcState)
{
    const std::size_t start = out.size();
    appendLe16(out, suffix.bcdDevice);
    appendLe16(out, suffix.productId);
    appendLe16(out, suffix.vendorId);
    appendLe16(out, suffix.bcdDfu);
    out.push_back('U');
    out.push_back('F');
    out.push_back('D');
    out.push_back(std::uint8_t(kSuffixLength));
    appendLe32(out, crc32(out.data() + start, out.size() - start, crcState));
}

bool carriesSuffix(const std::vector<std::uint8_t> &file)
{
    if (file.size() < kSuffixLength)
        return false;
    const std::uint8_t *suffix = file.data() + file.size() - kSuffixLength;
    return suffix[8] == 'U' && suffix[9] == 'F' && suffix[10] == 'D' && suffix[11] == kSuffixLength;
}

std::optional<SuffixCheck> readSuffix(const std::vector<std::uint8_t> &file)
{
    if (!carriesSuffix(file))
        return std::nullopt;
    const std::uint8_t *suffix = file.data() + file.size() - kSuffixLength;
    SuffixCheck check;
    check.fields.bcdDevice = readLe16(suffix);
    check.fields.productId = readLe16(suffix + 2);
    check.fields.vendorId = readLe16(suffix + 4);
    check.fields.bcdDfu = readLe16(suffix + 6);
    check.storedCrc = readLe32(suffix + 12);
    check.computedCrc = crc32(file.data(), file.size() - 4);
    return check;
}

} // namespace dfu
