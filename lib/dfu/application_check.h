// SPDX-License-Identifier: GPL-3.0-or-later
// Whether a firmware image can be the module's application: where its bytes
// lie, what its vector table says, and which version it states.
#pragma once

#include "image_element.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dfu {

// The module's internal flash as its bootloader announces it, and its SRAM.
constexpr char kModuleFlashLayout[] = "@Internal Flash  /0x08000000/04*016Kg,01*064Kg,07*128Kg";
constexpr std::uint32_t kModuleSramStart = 0x20000000;
constexpr std::uint32_t kModuleSramEnd = 0x20030000; // a full descending stack may start here

// An application states its version as these 8 ASCII bytes followed by three
// bytes major, minor, patch; the first occurrence in address order counts.
constexpr char kVersionMarker[] = "IMUFWVER";
using FirmwareVersion = std::array<std::uint8_t, 3>;

// How dfuse-tool reports on the image it is asked to flash: on its standard
// output one of the two version lines, on its error output the refusal (the
// prefix, then the problem), exiting with its ExitCode::ImageRefused.
constexpr char kImageVersionPrefix[] = "Image version ";
constexpr char kImageWithoutVersion[] = "Image states no version";
constexpr char kImageRefusedPrefix[] = "dfuse-tool: refused, not an application for this module: ";

struct ApplicationCheck
{
    std::string problem; // one line for the operator; empty when the image may run
    std::optional<FirmwareVersion> version;

    bool passed() const { return problem.empty(); }
};

// The image must lie wholly in the application area (kApplicationAddress up
// to the end of the module's flash) and start at its first byte, with a
// vector table whose initial stack pointer lies in SRAM and whose reset
// vector is odd (Thumb code) and points into the image. The version is
// reported whether or not the image passes.
ApplicationCheck checkApplicationImage(const std::vector<ImageElement> &elements);

// "1.2.3".
std::string versionText(const FirmwareVersion &version);

} // namespace dfu
