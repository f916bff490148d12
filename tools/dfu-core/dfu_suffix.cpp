#include "dfu_suffix.h"

#include "byte_order.h"
#include "crc32.h"

namespace dfu {

void appendSuffix(std::vector<std::uint8_t> &file, const DfuSuffix &suffix)
{
    appendLe16(file, suffix.bcdDevice);
    appendLe16(file, suffix.productId);
    appendLe16(file, suffix.vendorId);
    appendLe16(file, suffix.bcdDfu);
    file.push_back('U');
    file.push_back('F');
    file.push_back('D');
    file.push_back(std::uint8_t(kSuffixLength));
    appendLe32(file, crc32(file.data(), file.size()));
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
