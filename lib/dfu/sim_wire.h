// SPDX-License-Identifier: GPL-3.0-or-later
// Messages between dfuse-tool and the simulated bootloader on its local
// socket. Each request is answered by exactly one response; the bootloader
// closes the connection when it resets into the application.
//
// Request:  u8 request, u16 wValue, u16 wLength, u16 payload size, payload
// Response: u8 outcome (0 done, 1 stalled), u16 size, data
// All numbers little-endian. `request` is a DFU class request code or
// kDescribeRequest, whose answer is an encoded DeviceDescription.
#pragma once

#include "dfu_transport.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace dfu::simwire {

constexpr std::uint8_t kDescribeRequest = 0xF0;
constexpr std::size_t kRequestHeaderLength = 7;
constexpr std::size_t kResponseHeaderLength = 3;

struct RequestMessage
{
    std::uint8_t request = 0;
    std::uint16_t value = 0;
    std::uint16_t length = 0;
    std::vector<std::uint8_t> payload;
};

struct ResponseMessage
{
    bool stalled = false;
    std::vector<std::uint8_t> data;
};

std::vector<std::uint8_t> encodeRequest(const RequestMessage &message);
std::vector<std::uint8_t> encodeResponse(const ResponseMessage &message);

struct RequestHeader
{
    std::uint8_t request;
    std::uint16_t value;
    std::uint16_t length;
    std::uint16_t payloadSize;
};
RequestHeader decodeRequestHeader(const std::uint8_t *header);

struct ResponseHeader
{
    bool stalled;
    std::uint16_t size;
};
ResponseHeader decodeResponseHeader(const std::uint8_t *header);

// Vendor, product, bcdDevice, bcdDFU, transfer size (u16 each), attributes
// (u8), detach timeout (u16), the alternate setting's name, a zero byte and the
// serial number to the end.
std::vector<std::uint8_t> encodeDescription(const DeviceDescription &description);
std::optional<DeviceDescription> decodeDescription(const std::vector<std::uint8_t> &bytes);

} // namespace dfu::simwire
