// SPDX-License-Identifier: GPL-3.0-or-later
// dfuse-tool's decisions without any device: the command line, which back-end
// a run takes, and when an I/O error counts as a device that left the bus.
#include "device_finder.h"
#include "dfuse_engine.h"
#include "tool_options.h"
#include "usb_support.h"

#include <gtest/gtest.h>

namespace {

using dfu::DeviceKind;

TEST(ToolOptions, DevicePrecedesTheActionAndNamesAKnownKind)
{
    const auto flash = dfu::parseToolOptions({"--device", "sim", "--flash", "a b.dfu"});
    ASSERT_EQ(flash.error, "");
    EXPECT_EQ(flash.options.action, dfu::ToolOptions::Action::Flash);
    EXPECT_EQ(flash.options.file, "a b.dfu");
    EXPECT_EQ(flash.options.device, DeviceKind::Simulator);
    EXPECT_EQ(dfu::parseToolOptions({"--device", "usb", "--leave"}).options.device,
              DeviceKind::Usb);
    EXPECT_FALSE(dfu::parseToolOptions({"--list"}).options.device);

    for (const std::vector<std::string> &wrong : {std::vector<std::string>{"--device"},
                                                  {"--device", "sim"},
                                                  {"--device", "Sim", "--list"},
                                                  {"--list", "--device", "usb"},
                                                  {"--device", "usb", "--device", "sim", "--list"}})
        EXPECT_NE(dfu::parseToolOptions(wrong).error, "") << wrong.size();
}

TEST(ToolOptions, ForceGoesWithFlashAnywhereOnTheLine)
{
    for (const std::vector<std::string> &forced :
         {std::vector<std::string>{"--force", "--flash", "a.dfu"},
          {"--flash", "a.dfu", "--force"},
          {"--device", "sim", "--force", "--flash", "a.dfu"}}) {
        const auto parsed = dfu::parseToolOptions(forced);
        EXPECT_EQ(parsed.error, "");
        EXPECT_TRUE(parsed.options.force);
        EXPECT_EQ(parsed.options.file, "a.dfu");
    }
    EXPECT_FALSE(dfu::parseToolOptions({"--flash", "a.dfu"}).options.force);
    EXPECT_EQ(dfu::parseToolOptions({"--force", "--leave"}).error,
              "--force goes only with --flash");
    EXPECT_NE(dfu::parseToolOptions({"--flash", "--force"}).error, "");
}

TEST(ToolOptions, SerialGoesWithEveryDeviceActionAnywhereOnTheLine)
{
    for (const std::vector<std::string> &line :
         {std::vector<std::string>{"--serial", "3A00", "--list"},
          {"--flash", "a.dfu", "--serial", "3A00"},
          {"--device", "sim", "--serial", "3A00", "--leave"}})
        EXPECT_EQ(dfu::parseToolOptions(line).options.serialNumber, "3A00");
    for (const std::vector<std::string> &wrong : {std::vector<std::string>{"--serial", "--list"},
                                                  {"--list", "--serial"},
                                                  {"--serial", "3A00", "--version"}})
        EXPECT_NE(dfu::parseToolOptions(wrong).error, "") << wrong.front();
}

TEST(ToolOptions, TheOptionWinsOverTheEnvironmentWhichWinsOverChoosingByItself)
{
    EXPECT_EQ(dfu::requestedDevice(DeviceKind::Usb, "sim").kind, DeviceKind::Usb);
    EXPECT_EQ(dfu::requestedDevice(std::nullopt, "sim").kind, DeviceKind::Simulator);
    EXPECT_EQ(dfu::requestedDevice(std::nullopt, "usb").kind, DeviceKind::Usb);
    EXPECT_FALSE(dfu::requestedDevice(std::nullopt, nullptr).kind);
    EXPECT_FALSE(dfu::requestedDevice(std::nullopt, "").kind);
    EXPECT_EQ(dfu::requestedDevice(std::nullopt, "both").error,
              "DFUSE_TOOL_DEVICE must be usb or sim, not \"both\"");
    EXPECT_EQ(dfu::requestedDevice(DeviceKind::Simulator, "both").error, "");
}

// A back-end holding fixed devices; opening gives a transport that only describes.
class FixedBackend : public dfu::DeviceBackend
{
public:
    explicit FixedBackend(std::string where, std::vector<dfu::DeviceDescription> devices = {})
        : where_(std::move(where)), devices_(std::move(devices))
    {
    }
    std::string whereLooked() const override { return where_; }
    std::vector<dfu::DeviceDescription> list(const std::string &serialNumber) override
    {
        std::vector<dfu::DeviceDescription> found;
        for (const auto &device : devices_)
            if (serialNumber.empty() || device.serialNumber == serialNumber)
                found.push_back(device);
        return found;
    }
    std::unique_ptr<dfu::DfuTransport> openDfuse(const std::string &serialNumber) override
    {
        for (const auto &device : list(serialNumber))
            if (device.bcdDfu == dfu::kDfuseVersion)
                return std::make_unique<Described>(device);
        return nullptr;
    }

private:
    struct Described : dfu::DfuTransport
    {
        explicit Described(dfu::DeviceDescription d) : description_(std::move(d)) {}
        const dfu::DeviceDescription &description() const override { return description_; }
        void controlOut(dfu::Request, std::uint16_t, const std::vector<std::uint8_t> &) override {}
        std::vector<std::uint8_t> controlIn(dfu::Request, std::uint16_t, std::uint16_t) override
        {
            return {};
        }
        dfu::DeviceDescription description_;
    };
    std::string where_;
    std::vector<dfu::DeviceDescription> devices_;
};

dfu::DeviceDescription deviceAt(const std::string &location,
                                std::uint16_t bcdDfu = dfu::kDfuseVersion)
{
    dfu::DeviceDescription device;
    device.bcdDfu = bcdDfu;
    device.location = location;
    return device;
}

dfu::DeviceFinder finder(std::vector<dfu::DeviceDescription> usb, bool simulatorRuns,
                         std::optional<DeviceKind> requested = std::nullopt)
{
    std::vector<dfu::DeviceDescription> simulated;
    if (simulatorRuns)
        simulated.push_back(deviceAt("sim"));
    return dfu::DeviceFinder(std::make_unique<FixedBackend>("on USB", std::move(usb)),
                             std::make_unique<FixedBackend>("at the socket", simulated), requested);
}

std::string failureOf(dfu::DeviceFinder finder)
{
    try {
        finder.open();
    } catch (const dfu::DeviceError &error) {
        return error.what();
    }
    return "opened";
}

TEST(DeviceFinder, UsbFirstTheSimulatorOnlyWhenNoUsbDfuDeviceIsAttached)
{
    EXPECT_EQ(finder({deviceAt("usb 1-1")}, true).open()->description().location, "usb 1-1");
    EXPECT_EQ(finder({}, true).open()->description().location, "sim");
    EXPECT_EQ(
        finder({deviceAt("usb 1-1")}, true, DeviceKind::Simulator).open()->description().location,
        "sim");

    // A plain DFU device still counts as attached: it is not passed over for
    // the simulator, the run fails and says where it looked.
    EXPECT_EQ(failureOf(finder({deviceAt("usb 1-2", 0x0110)}, true)),
              "no DfuSe device found (looked on USB)");
    EXPECT_EQ(failureOf(finder({}, false)),
              "no DfuSe device found (looked on USB and at the socket)");
    EXPECT_EQ(failureOf(finder({}, true, DeviceKind::Usb)),
              "no DfuSe device found (looked on USB)");
}

TEST(DeviceFinder, ListingNamesEveryDeviceAndTheOneARunWouldTake)
{
    const auto both = finder({deviceAt("usb 1-2", 0x0110), deviceAt("usb 1-3")}, true).list();
    ASSERT_EQ(both.devices.size(), 3u);
    EXPECT_EQ(both.devices[2].location, "sim");
    ASSERT_TRUE(both.chosen);
    EXPECT_EQ(both.chosen->location, "usb 1-3");
    EXPECT_EQ(finder({deviceAt("usb 1-3")}, true, DeviceKind::Simulator).list().chosen->location,
              "sim");
    EXPECT_FALSE(finder({}, false).list().chosen);

    EXPECT_EQ(failureOf(dfu::DeviceFinder(std::make_unique<FixedBackend>("on USB"), nullptr,
                                          DeviceKind::Simulator)),
              "this build of dfuse-tool cannot reach a simulated bootloader");
}

TEST(DeviceFinder, ASerialNumberTakesOnlyTheDeviceReportingIt)
{
    const auto unit = [](const std::string &location, const std::string &serial) {
        auto device = deviceAt(location);
        device.serialNumber = serial;
        return device;
    };
    const auto tray = [&](const std::string &serial) {
        return dfu::DeviceFinder(
            std::make_unique<FixedBackend>(
                "on USB", std::vector{unit("usb 1-1", "AAA"), unit("usb 1-2", "BBB")}),
            std::make_unique<FixedBackend>("at the socket", std::vector{unit("sim", "CCC")}),
            std::nullopt, serial);
    };
    for (const auto &[serial, location] : {std::pair{"BBB", "usb 1-2"}, {"CCC", "sim"}}) {
        EXPECT_EQ(tray(serial).open()->description().location, location);
        const auto listing = tray(serial).list();
        ASSERT_EQ(listing.devices.size(), 1u);
        EXPECT_EQ(listing.chosen->location, location);
    }
    EXPECT_EQ(failureOf(tray("ZZZ")),
              "no DfuSe device with serial number ZZZ found (looked on USB and at the socket)");
}

TEST(UsbSupport, AnIoErrorIsADisconnectionOnlyWhenTheDeviceLeavesTheBusInTime)
{
    int asked = 0;
    EXPECT_TRUE(dfu::leftTheBusWithin([&] { return ++asked < 3; }, std::chrono::seconds(10)));
    EXPECT_EQ(asked, 3);

    asked = 0;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(
        dfu::leftTheBusWithin([&] { return ++asked > 0; }, std::chrono::milliseconds(200)));
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(200));
    EXPECT_LT(waited, std::chrono::seconds(5));
    EXPECT_GT(asked, 1) << "the bus must be looked at again while waiting";

    asked = 0;
    EXPECT_FALSE(dfu::leftTheBusWithin([&] { return ++asked > 0; }, std::chrono::milliseconds(0)));
    EXPECT_EQ(asked, 1);
}

} // namespace
