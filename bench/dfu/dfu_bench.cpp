// Measures dfu-convert against dfuse-pack on a 1 MiB image, and dfuse-tool
// flashing 256 KiB and 512 KiB images into the simulated bootloader.
// Usage: dfu_bench [repetitions]   (prints a Markdown table)
#include "dfuse_file.h"
#include "intel_hex.h"
#include "rendezvous.h"
#include "simulated_bootloader.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

namespace {

using Seconds = std::chrono::duration<double>;
constexpr std::size_t kMiB = 1024 * 1024;

double medianSeconds(int repetitions, const std::function<bool()> &run)
{
    std::vector<double> times;
    for (int i = 0; i < repetitions; ++i) {
        const auto start = std::chrono::steady_clock::now();
        if (!run())
            return -1;
        times.push_back(Seconds(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

bool runQuietly(const std::string &command)
{
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

std::string quoted(const std::string &text)
{
    return "'" + text + "'";
}

std::vector<std::uint8_t> imageBytes(std::size_t size)
{
    std::vector<std::uint8_t> bytes(size);
    std::uint32_t state = 12345;
    for (auto &byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = std::uint8_t(state >> 16);
    }
    return bytes;
}

std::string hexText(std::uint32_t address, const std::vector<std::uint8_t> &bytes)
{
    std::string text;
    char line[80];
    for (std::size_t offset = 0; offset < bytes.size(); offset += 16) {
        const std::uint32_t at = address + std::uint32_t(offset);
        if (offset == 0 || (at & 0xFFFF) == 0) {
            const unsigned upper = at >> 16;
            std::snprintf(line, sizeof line, ":02000004%04X%02X\n", upper,
                          unsigned(std::uint8_t(-(6 + (upper >> 8) + (upper & 0xFF)))));
            text += line;
        }
        unsigned sum = 16 + ((at >> 8) & 0xFF) + (at & 0xFF);
        int written = std::snprintf(line, sizeof line, ":10%04X00", unsigned(at & 0xFFFF));
        for (std::size_t i = 0; i < 16; ++i) {
            sum += bytes[offset + i];
            written += std::snprintf(line + written, sizeof line - std::size_t(written), "%02X",
                                     unsigned(bytes[offset + i]));
        }
        std::snprintf(line + written, sizeof line - std::size_t(written), "%02X\n",
                      unsigned(std::uint8_t(-sum)));
        text += line;
    }
    return text + ":00000001FF\n";
}

void writeFile(const std::string &path, const std::string &content)
{
    std::ofstream(path, std::ios::binary) << content;
}

void row(const std::string &what, double seconds, double mebibytes)
{
    if (seconds < 0)
        std::printf("| %s | failed or unavailable | |\n", what.c_str());
    else
        std::printf("| %s | %.1f ms | %.1f MiB/s |\n", what.c_str(), seconds * 1000,
                    mebibytes / seconds);
}

void conversion(const std::filesystem::path &dir, int repetitions)
{
    const auto image = imageBytes(kMiB);
    const std::string bin = (dir / "image.bin").string();
    const std::string hex = (dir / "image.hex").string();
    const std::string out = (dir / "out.dfu").string();
    writeFile(bin, std::string(image.begin(), image.end()));
    const std::string hexContent = hexText(0x08000000, image);
    writeFile(hex, hexContent);

    row("in process: parse 1 MiB HEX + write DfuSe",
        medianSeconds(repetitions,
                      [&] {
                          dfu::DfuseFile file;
                          file.targets.push_back({});
                          file.targets[0].elements = dfu::parseIntelHex(hexContent);
                          return !dfu::serializeDfuse(file).empty();
                      }),
        1);
    const std::string convert = quoted(DFU_CONVERT_PATH);
    row("dfu-convert -b (1 MiB .bin)",
        medianSeconds(repetitions,
                      [&] {
                          return runQuietly(convert + " -b 0x08000000:" + quoted(bin) + " " +
                                            quoted(out));
                      }),
        1);
    row("dfu-convert -i (1 MiB as .hex)",
        medianSeconds(
            repetitions,
            [&] { return runQuietly(convert + " -i " + quoted(hex) + " " + quoted(out)); }),
        1);
    row("dfuse-pack -b (1 MiB .bin)",
        medianSeconds(repetitions,
                      [&] {
                          return runQuietly("dfuse-pack -b 0x08000000:" + quoted(bin) + " " +
                                            quoted(out));
                      }),
        1);
    row("dfuse-pack -i (1 MiB as .hex)",
        medianSeconds(
            repetitions,
            [&] { return runQuietly("dfuse-pack -i " + quoted(hex) + " " + quoted(out)); }),
        1);
}

double flashSeconds(const std::filesystem::path &dir, std::size_t size, int repetitions)
{
    dfu::DfuseFile file;
    file.targets.push_back({});
    file.targets[0].elements = {{0x08020000, imageBytes(size)}};
    const auto bytes = dfu::serializeDfuse(file);
    const std::string path = (dir / "flash.dfu").string();
    writeFile(path, std::string(bytes.begin(), bytes.end()));

    dfusim::SimulatedBootloader bootloader(imuproto::simulatorBootloaderSocket());
    std::atomic<bool> stop{false};
    auto run = std::async(std::launch::async, [&] { return bootloader.runUntilLeave(stop); });
    while (!std::filesystem::exists(imuproto::simulatorBootloaderSocket()))
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const double seconds = medianSeconds(repetitions, [&] {
        return runQuietly(quoted(DFUSE_TOOL_PATH) + " --flash " + quoted(path));
    });
    stop = true;
    run.get();
    return seconds;
}

} // namespace

int main(int argc, char **argv)
{
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const auto dir =
        std::filesystem::temp_directory_path() / ("dfu-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    // The tools refuse a rendezvous folder that others may enter.
    std::filesystem::permissions(dir, std::filesystem::perms::owner_all);
    setenv("IMU_SIM_DIR", dir.c_str(), 1);
    // Never the bootloader of a module that happens to be plugged in.
    setenv("DFUSE_TOOL_DEVICE", "sim", 1);

    std::printf("| Run (median of %d) | Time | Throughput |\n|---|---|---|\n", repetitions);
    conversion(dir, repetitions);
    row("dfuse-tool --flash 256 KiB (simulator)", flashSeconds(dir, 256 * 1024, repetitions), 0.25);
    row("dfuse-tool --flash 512 KiB (simulator)", flashSeconds(dir, 512 * 1024, repetitions), 0.5);
    std::filesystem::remove_all(dir);
    return 0;
}
