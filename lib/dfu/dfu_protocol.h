// SPDX-License-Identifier: GPL-3.0-or-later
// DFU 1.1 class requests, status codes and states, and the DfuSe commands
// carried in download block 0.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace dfu {

// bcdDFU of DfuSe devices and files (DFU 1.1 with the DfuSe extensions).
constexpr std::uint16_t kDfuseVersion = 0x011A;

// USB identity of the STM32 DFU bootloader.
constexpr std::uint16_t kBootloaderVendorId = 0x0483;
constexpr std::uint16_t kBootloaderProductId = 0xdf11;

// How `dfuse-tool --list` begins the line of each device it finds, e.g.
// "Device VID: 0x0483 PID: 0xdf11" for the bootloader: the signature callers
// search its output for.
std::string deviceSignature(std::uint16_t vendorId, std::uint16_t productId);

enum class Request : std::uint8_t
{
    Detach = 0,
    Download = 1,
    Upload = 2,
    GetStatus = 3,
    ClearStatus = 4,
    GetState = 5,
    Abort = 6,
};

enum class Status : std::uint8_t
{
    Ok = 0x00,
    ErrTarget = 0x01,
    ErrFile = 0x02,
    ErrWrite = 0x03,
    ErrErase = 0x04,
    ErrCheckErased = 0x05,
    ErrProg = 0x06,
    ErrVerify = 0x07,
    ErrAddress = 0x08,
    ErrNotDone = 0x09,
    ErrFirmware = 0x0A,
    ErrVendor = 0x0B,
    ErrUsbReset = 0x0C,
    ErrPowerOnReset = 0x0D,
    ErrUnknown = 0x0E,
    ErrStalledPacket = 0x0F,
};

enum class State : std::uint8_t
{
    AppIdle = 0,
    AppDetach = 1,
    DfuIdle = 2,
    DfuDownloadSync = 3,
    DfuDownloadBusy = 4,
    DfuDownloadIdle = 5,
    DfuManifestSync = 6,
    DfuManifest = 7,
    DfuManifestWaitReset = 8,
    DfuUploadIdle = 9,
    DfuError = 10,
};

// DfuSe commands: the first byte of a download to block 0.
enum class DfuseCommand : std::uint8_t
{
    GetCommands = 0x00,
    SetAddressPointer = 0x21,
    Erase = 0x41,
    ReadUnprotect = 0x92,
};

// Data downloads start at block 2; blocks 0 and 1 carry commands.
constexpr std::uint16_t kFirstDataBlock = 2;

// The six bytes a GETSTATUS request answers.
struct StatusReport
{
    Status status = Status::Ok;
    std::uint32_t pollTimeoutMs = 0; // 24 bits on the wire
    State state = State::DfuIdle;
    std::uint8_t stringIndex = 0;
};

constexpr std::size_t kStatusReportLength = 6;

std::vector<std::uint8_t> encodeStatusReport(const StatusReport &report);
// Throws std::runtime_error unless `bytes` holds exactly six bytes.
StatusReport decodeStatusReport(const std::vector<std::uint8_t> &bytes);

std::string stateName(State state); // e.g. "dfuDNLOAD-IDLE"
// "status errWRITE (device cannot write memory), state dfuERROR"
std::string describeStatus(const StatusReport &report);

// Payload of the DfuSe "set address pointer" and "erase page" commands.
std::vector<std::uint8_t> dfuseCommand(DfuseCommand command, std::uint32_t address);

} // namespace dfu
