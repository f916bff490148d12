// SPDX-License-Identifier: GPL-3.0-or-later
#include "dfu_protocol.h"

#include "byte_order.h"
#include "text.h"

#include <stdexcept>

namespace dfu {

namespace {

struct StatusText
{
    const char *name;
    const char *meaning;
};

StatusText statusText(Status status)
{
    switch (status) {
    case Status::Ok:
        return {"OK", "no error"};
    case Status::ErrTarget:
        return {"errTARGET", "address outside the device's memory"};
    case Status::ErrFile:
        return {"errFILE", "file rejected by the device"};
    case Status::ErrWrite:
        return {"errWRITE", "device cannot write memory"};
    case Status::ErrErase:
        return {"errERASE", "memory erase failed"};
    case Status::ErrCheckErased:
        return {"errCHECK_ERASED", "memory erase check failed"};
    case Status::ErrProg:
        return {"errPROG", "program memory function failed"};
    case Status::ErrVerify:
        return {"errVERIFY", "programmed memory failed verification"};
    case Status::ErrAddress:
        return {"errADDRESS", "address out of range"};
    case Status::ErrNotDone:
        return {"errNOTDONE", "download ended before it was complete"};
    case Status::ErrFirmware:
        return {"errFIRMWARE", "firmware is corrupt, cannot start it"};
    case Status::ErrVendor:
        return {"errVENDOR", "vendor-specific error"};
    case Status::ErrUsbReset:
        return {"errUSBR", "unexpected USB reset"};
    case Status::ErrPowerOnReset:
        return {"errPOR", "unexpected power-on reset"};
    case Status::ErrUnknown:
        return {"errUNKNOWN", "unknown error"};
    case Status::ErrStalledPacket:
        return {"errSTALLEDPKT", "device stalled an unexpected request"};
    }
    return {"status?", "undefined status code"};
}

} // namespace

std::vector<std::uint8_t> encodeStatusReport(const StatusReport &report)
{
    return {std::uint8_t(report.status),
            std::uint8_t(report.pollTimeoutMs),
            std::uint8_t(report.pollTimeoutMs >> 8),
            std::uint8_t(report.pollTimeoutMs >> 16),
            std::uint8_t(report.state),
            report.stringIndex};
}

StatusReport decodeStatusReport(const std::vector<std::uint8_t> &bytes)
{
    if (bytes.size() != kStatusReportLength)
        throw std::runtime_error("GETSTATUS answered " + std::to_string(bytes.size()) +
                                 " bytes instead of " + std::to_string(kStatusReportLength));
    StatusReport report;
    report.status = Status(bytes[0]);
    report.pollTimeoutMs =
        std::uint32_t(bytes[1]) | std::uint32_t(bytes[2]) << 8 | std::uint32_t(bytes[3]) << 16;
    report.state = State(bytes[4]);
    report.stringIndex = bytes[5];
    return report;
}

std::string deviceSignature(std::uint16_t vendorId, std::uint16_t productId)
{
    return "Device VID: " + hex16(vendorId) + " PID: " + hex16(productId);
}

std::string stateName(State state)
{
    switch (state) {
    case State::AppIdle:
        return "appIDLE";
    case State::AppDetach:
        return "appDETACH";
    case State::DfuIdle:
        return "dfuIDLE";
    case State::DfuDownloadSync:
        return "dfuDNLOAD-SYNC";
    case State::DfuDownloadBusy:
        return "dfuDNBUSY";
    case State::DfuDownloadIdle:
        return "dfuDNLOAD-IDLE";
    case State::DfuManifestSync:
        return "dfuMANIFEST-SYNC";
    case State::DfuManifest:
        return "dfuMANIFEST";
    case State::DfuManifestWaitReset:
        return "dfuMANIFEST-WAIT-RESET";
    case State::DfuUploadIdle:
        return "dfuUPLOAD-IDLE";
    case State::DfuError:
        return "dfuERROR";
    }
    return "state " + std::to_string(int(state));
}

std::string describeStatus(const StatusReport &report)
{
    const StatusText text = statusText(report.status);
    return std::string("status ") + text.name + " (" + text.meaning + "), state " +
           stateName(report.state);
}

std::vector<std::uint8_t> dfuseCommand(DfuseCommand command, std::uint32_t address)
{
    std::vector<std::uint8_t> payload{std::uint8_t(command)};
    appendLe32(payload, address);
    return payload;
}

} // namespace dfu
