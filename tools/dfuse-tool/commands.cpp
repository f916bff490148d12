// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands.h"

#include "application_check.h"
#include "dfu_protocol.h"
#include "dfuse_engine.h"
#include "dfuse_file.h"
#include "file_io.h"
#include "input_error.h"
#include "memory_layout.h"
#include "text.h"

#include <ostream>

namespace dfu {

namespace {

constexpr std::uint16_t kAnyId = 0xFFFF;
// Files published with the microcontroller's example projects name product
// 0x0000 where they mean no product in particular.
constexpr std::uint16_t kUnnamedProduct = 0x0000;

std::string listingLine(const DeviceDescription &device)
{
    const std::string serial =
        device.serialNumber.empty() ? "" : "serial \"" + device.serialNumber + "\", ";
    return deviceSignature(device.vendorId, device.productId) + ", DFU version " +
           hex16(device.bcdDfu) + ", transfer size " + std::to_string(device.transferSize) +
           ", alt 0 \"" + device.alternateName + "\", " + serial + device.location;
}

DfuseFile readImage(const std::string &path)
{
    try {
        return parseDfuse(readWholeFile(path));
    } catch (const InputError &error) {
        throw InputError(path + ": " + error.what());
    }
}

std::vector<ImageElement> elementsFor(const DfuseFile &file, const std::string &path)
{
    std::vector<ImageElement> elements;
    for (const DfuseTarget &target : file.targets) {
        if (target.alternateSetting != 0)
            throw InputError(path + ": holds a target for alternate setting " +
                             std::to_string(target.alternateSetting) +
                             "; only alternate setting 0 (internal flash) is supported");
        elements.insert(elements.end(), target.elements.begin(), target.elements.end());
    }
    return elements;
}

// Throws when the file is meant for another device; says so in `out` when
// it names product 0x0000, taken as any product.
void checkDeviceMatches(const DfuseFile &file, const DeviceDescription &device, std::ostream &out)
{
    if (device.bcdDfu != kDfuseVersion)
        throw InputError("the device at " + device.location + " does not speak DfuSe");
    const DfuSuffix &suffix = file.suffix;
    const bool anyProduct = suffix.productId == kAnyId || suffix.productId == kUnnamedProduct;
    if (suffix.productId == kUnnamedProduct && suffix.productId != device.productId)
        out << "The file names product 0x0000 (unspecified): taken as any product" << std::endl;
    if ((suffix.vendorId != kAnyId && suffix.vendorId != device.vendorId) ||
        (!anyProduct && suffix.productId != device.productId))
        throw InputError("the file is meant for device " + hex16(suffix.vendorId) + ":" +
                         hex16(suffix.productId) + ", the device is " + hex16(device.vendorId) +
                         ":" + hex16(device.productId));
}

std::unique_ptr<DfuTransport> openDevice(DeviceFinder &finder, std::ostream &out)
{
    auto device = finder.open();
    out << "Using " << listingLine(device->description()) << std::endl;
    return device;
}

// Every line is flushed at once: a reader follows the run as it goes.
DfuseEngine engineFor(DfuTransport &device, std::ostream &out)
{
    DfuseEngine engine(device, [&out](const std::string &line) { out << line << std::endl; });
    engine.setProgressListener([&out](Phase phase, std::uint64_t done, std::uint64_t total) {
        out << progressLine(phase, done, total) << std::endl;
    });
    return engine;
}

// A device asked for by its serial number that is not there is told apart,
// so that a caller knows nothing was done to any device.
ExitCode failure(const DeviceFinder &finder, const std::exception &error)
{
    const bool absent = dynamic_cast<const DeviceNotFound *>(&error) != nullptr;
    return absent && !finder.serialNumber().empty() ? ExitCode::DeviceAbsent : ExitCode::Failed;
}

std::string versionLine(const ApplicationCheck &check)
{
    return check.version ? kImageVersionPrefix + versionText(*check.version)
                         : std::string(kImageWithoutVersion);
}

} // namespace

std::string progressLine(Phase phase, std::uint64_t done, std::uint64_t total)
{
    return std::string("progress ") + phaseName(phase) + " " + std::to_string(done) + " " +
           std::to_string(total);
}

ExitCode listDevices(DeviceFinder &finder, std::ostream &out)
{
    const DeviceListing listing = finder.list();
    for (const DeviceDescription &device : listing.devices)
        out << listingLine(device) << "\n";
    const std::string &serial = finder.serialNumber();
    if (listing.devices.empty())
        out << "No DFU device " << (serial.empty() ? "" : "with serial number " + serial + " ")
            << "found\n";
    if (listing.chosen)
        out << "Using " << listing.chosen->location << "\n";
    return listing.devices.empty() && !serial.empty() ? ExitCode::DeviceAbsent : ExitCode::Ok;
}

ExitCode flashFile(DeviceFinder &finder, const FlashRequest &request, std::ostream &out,
                   std::ostream &err)
{
    try {
        // The whole file is checked before any device is touched.
        const DfuseFile file = readImage(request.path);
        const std::vector<ImageElement> elements = elementsFor(file, request.path);
        const ApplicationCheck check = checkApplicationImage(elements);
        if (!check.passed() && !request.force) {
            err << kImageRefusedPrefix << check.problem << "\n"
                << "dfuse-tool: nothing was written; --force flashes it all the same" << std::endl;
            return ExitCode::ImageRefused;
        }
        const auto device = openDevice(finder, out);
        const DeviceDescription &description = device->description();
        out << "Flashing " << request.path << std::endl;
        if (!check.passed())
            out << "Flashing anyway (--force): " << check.problem << std::endl;
        out << versionLine(check) << std::endl;
        checkDeviceMatches(file, description, out);
        const FlashPlan plan = planFlash(elements, parseMemoryLayout(description.alternateName));
        engineFor(*device, out).flash(elements, plan);
        out << "Flash complete" << std::endl;
        return ExitCode::Ok;
    } catch (const std::exception &error) {
        err << "dfuse-tool: flashing failed: " << error.what() << std::endl;
        return failure(finder, error);
    }
}

ExitCode leaveToApplication(DeviceFinder &finder, std::ostream &out, std::ostream &err)
{
    try {
        const auto device = openDevice(finder, out);
        engineFor(*device, out).leave(kApplicationAddress);
        out << "Started the application at " << hex32(kApplicationAddress) << std::endl;
        return ExitCode::Ok;
    } catch (const std::exception &error) {
        err << "dfuse-tool: leaving DFU mode failed: " << error.what() << std::endl;
        return failure(finder, error);
    }
}

} // namespace dfu
