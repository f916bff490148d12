// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim_wire.h"

#include "byte_order.h"

#include <algorithm>

namespace dfu::simwire {

namespace {

constexpr std::size_t kDescriptionFixedLength = 13;

} // namespace

std::vector<std::uint8_t> encodeRequest(const RequestMessage &message)
{
    std::vector<std::uint8_t> out{message.request};
    appendLe16(out, message.value);
    appendLe16(out, message.length);
    appendLe16(out, std::uint16_t(message.payload.size()));
    out.insert(out.end(), message.payload.begin(), message.payload.end());
    return out;
}

std::vector<std::uint8_t> encodeResponse(const ResponseMessage &message)
{
    std::vector<std::uint8_t> out{std::uint8_t(message.stalled ? 1 : 0)};
    appendLe16(out, std::uint16_t(message.data.size()));
    out.insert(out.end(), message.data.begin(), message.data.end());
    return out;
}

RequestHeader decodeRequestHeader(const std::uint8_t *header)
{
    return {header[0], readLe16(header + 1), readLe16(header + 3), readLe16(header + 5)};
}

ResponseHeader decodeResponseHeader(const std::uint8_t *header)
{
    return {header[0] != 0, readLe16(header + 1)};
}

std::vector<std::uint8_t> encodeDescription(const DeviceDescription &description)
{
    std::vector<std::uint8_t> out;
    appendLe16(out, description.vendorId);
    appendLe16(out, description.productId);
    appendLe16(out, description.bcdDevice);
    appendLe16(out, description.bcdDfu);
    appendLe16(out, description.transferSize);
    out.push_back(description.attributes);
    appendLe16(out, description.detachTimeoutMs);
    out.insert(out.end(), description.alternateName.begin(), description.alternateName.end());
    out.push_back(0);
    out.insert(out.end(), description.serialNumber.begin(), description.serialNumber.end());
    return out;
}

std::optional<DeviceDescription> decodeDescription(const std::vector<std::uint8_t> &bytes)
{
    if (bytes.size() < kDescriptionFixedLength)
        return std::nullopt;
    DeviceDescription description;
    description.vendorId = readLe16(bytes.data());
    description.productId = readLe16(bytes.data() + 2);
    description.bcdDevice = readLe16(bytes.data() + 4);
    description.bcdDfu = readLe16(bytes.data() + 6);
    description.transferSize = readLe16(bytes.data() + 8);
    description.attributes = bytes[10];
    description.detachTimeoutMs = readLe16(bytes.data() + 11);
    const auto names = bytes.begin() + kDescriptionFixedLength;
    const auto separator = std::find(names, bytes.end(), std::uint8_t(0));
    description.alternateName.assign(names, separator);
    if (separator != bytes.end())
        description.serialNumber.assign(separator + 1, bytes.end());
    return description;
}

} // namespace dfu::simwire
