// SPDX-License-Identifier: GPL-3.0-or-later
// Measures the firmware programs as whole runs, each beside a baseline from the
// same run: dfu-convert against its own start-up, cp of the same bytes and
// dfuse-pack on the same input; dfuse-tool flashing into the simulated
// bootloader against the poll timeouts the simulator announced in that run.
// Usage: dfu_bench [repetitions] [convert|flash]   (prints a Markdown table;
// both groups of rows unless one is named)
#include "bench_images.h"
#include "dfuse_file.h"
#include "intel_hex.h"
#include "rendezvous.h"
#include "simulated_bootloader.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

using Seconds = std::chrono::duration<double>;
constexpr std::size_t kMiB = 1024 * 1024;

// Median and range of repeated runs; `failed` when any run failed.
struct Timing
{
    double median = 0;
    double fastest = 0;
    double slowest = 0;
    bool failed = false;
};

Timing summary(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.front(), times.back(), false};
}

double secondsOf(const std::function<bool()> &run, bool &ok)
{
    const auto start = std::chrono::steady_clock::now();
    ok = run();
    return Seconds(std::chrono::steady_clock::now() - start).count();
}

Timing timeRuns(int repetitions, const std::function<bool()> &run)
{
    std::vector<double> times;
    for (int i = 0; i < repetitions; ++i) {
        bool ok = false;
        times.push_back(secondsOf(run, ok));
        if (!ok)
            return {0, 0, 0, true};
    }
    return summary(times);
}

// Times several runs taking turns, so that a change in the machine's load
// meanwhile falls on all of them alike; a run that fails once counts as failed.
std::vector<Timing> timeInTurns(int repetitions, const std::vector<std::function<bool()>> &runs)
{
    std::vector<std::vector<double>> times(runs.size());
    std::vector<bool> failed(runs.size(), false);
    for (int i = 0; i < repetitions; ++i)
        for (std::size_t r = 0; r < runs.size(); ++r) {
            if (failed[r])
                continue;
            bool ok = false;
            times[r].push_back(secondsOf(runs[r], ok));
            failed[r] = !ok;
        }
    std::vector<Timing> timings;
    for (std::size_t r = 0; r < runs.size(); ++r)
        timings.push_back(failed[r] ? Timing{0, 0, 0, true} : summary(times[r]));
    return timings;
}

// Runs a program directly (no shell), its output discarded; true on exit code 0.
bool runQuietly(const std::vector<std::string> &command)
{
    std::vector<char *> argv;
    for (const std::string &word : command)
        argv.push_back(const_cast<char *>(word.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return spawned == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

bool onPath(const std::string &program)
{
    return runQuietly({"sh", "-c", "command -v " + program});
}

void writeFile(const std::string &path, const std::string &content)
{
    std::ofstream(path, std::ios::binary) << content;
}

void header(int repetitions)
{
    std::printf("| Run | Median of %d (range) | Throughput | Against the baselines |\n"
                "|---|---|---|---|\n",
                repetitions);
}

struct Baseline
{
    const char *name;
    const Timing *timing;
};

// One row; the last column gives this run's median as a multiple of each
// baseline's median.
void row(const std::string &what, const Timing &timing, double megabytes,
         const std::vector<Baseline> &baselines = {})
{
    if (timing.failed) {
        std::printf("| %s | failed or unavailable | | |\n", what.c_str());
        return;
    }
    std::printf("| %s | %.1f ms (%.1f–%.1f) | ", what.c_str(), timing.median * 1000,
                timing.fastest * 1000, timing.slowest * 1000);
    if (megabytes > 0)
        std::printf("%.0f MB/s", megabytes / timing.median);
    std::printf(" |");
    const char *separator = " ";
    for (const Baseline &baseline : baselines) {
        if (baseline.timing->failed)
            continue;
        std::printf("%s%.2f× %s", separator, timing.median / baseline.timing->median,
                    baseline.name);
        separator = ", ";
    }
    std::printf(" |\n");
}

std::string dfuseFile(const std::filesystem::path &dir, const std::vector<std::uint8_t> &image)
{
    dfu::DfuseFile file;
    file.targets.push_back({});
    file.targets[0].elements = {{0x08020000, image}};
    const auto bytes = dfu::serializeDfuse(file);
    const std::string path = (dir / "flash.dfu").string();
    writeFile(path, std::string(bytes.begin(), bytes.end()));
    return path;
}

void conversion(const std::filesystem::path &dir, int repetitions)
{
    const auto image = dfubench::imageBytes(kMiB);
    const std::string bin = (dir / "image.bin").string();
    const std::string hex = (dir / "image.hex").string();
    const std::string out = (dir / "out.dfu").string();
    const std::string copy = (dir / "copy").string();
    writeFile(bin, std::string(image.begin(), image.end()));
    const std::string hexContent = dfubench::hexText(0x08020000, image);
    writeFile(hex, hexContent);
    const double binMB = double(image.size()) / 1e6;
    const double hexMB = double(hexContent.size()) / 1e6;
    const bool packer = onPath("dfuse-pack");
    const auto program = [](std::vector<std::string> command, bool available = true) {
        return std::function<bool()>(
            [command, available] { return available && runQuietly(command); });
    };

    const auto bins = timeInTurns(
        repetitions, {program({DFU_CONVERT_PATH, "--version"}), program({"cp", bin, copy}),
                      program({"dfuse-pack", "-b", "0x08020000:" + bin, out}, packer),
                      program({DFU_CONVERT_PATH, "-b", "0x08020000:" + bin, out})});
    row("baseline: `dfu-convert --version` (start-up)", bins[0], 0);
    row("baseline: `cp` of the 1 MiB .bin", bins[1], binMB);
    row("baseline: `dfuse-pack -b` (same .bin)", bins[2], binMB);
    row("`dfu-convert -b`, 1 MiB .bin", bins[3], binMB,
        {{"start-up", &bins[0]}, {"`cp`", &bins[1]}, {"`dfuse-pack`", &bins[2]}});

    const auto hexes = timeInTurns(repetitions, {program({"cp", hex, copy}),
                                                 program({"dfuse-pack", "-i", hex, out}, packer),
                                                 program({DFU_CONVERT_PATH, "-i", hex, out})});
    row("baseline: `cp` of the .hex (same image)", hexes[0], hexMB);
    row("baseline: `dfuse-pack -i` (same .hex)", hexes[1], hexMB);
    row("`dfu-convert -i`, 1 MiB image as .hex", hexes[2], hexMB,
        {{"start-up", &bins[0]}, {"`cp`", &hexes[0]}, {"`dfuse-pack`", &hexes[1]}});

    std::vector<char> scratch(hexContent.size());
    const auto inProcess = timeInTurns(
        repetitions,
        {[&] {
             std::memcpy(scratch.data(), hexContent.data(), hexContent.size());
             return scratch[scratch.size() / 2] != 0;
         },
         [&] { return dfu::parseIntelHex(hexContent).front().data.size() == image.size(); }});
    row("baseline: in process, memcpy of the .hex text", inProcess[0], hexMB);
    row("in process: parse the .hex text", inProcess[1], hexMB, {{"memcpy", &inProcess[0]}});
}

// dfuse-tool flashing an image of `size` bytes, and the poll timeouts the
// simulated bootloader announced per run: the least a run can take waiting.
void flashing(const std::filesystem::path &dir, std::size_t size, int repetitions)
{
    const std::string path = dfuseFile(dir, dfubench::imageBytes(size));
    dfusim::SimulatedBootloader bootloader(imuproto::simulatorBootloaderSocket());
    std::atomic<bool> stop{false};
    std::promise<void> listening;
    auto run = std::async(std::launch::async, [&] {
        return bootloader.runUntilLeave(stop, [&] { listening.set_value(); });
    });
    listening.get_future().wait();
    std::vector<double> announced;
    const Timing flash = timeRuns(repetitions, [&] {
        const auto before = bootloader.stats().announcedBusy;
        const bool ok = runQuietly({DFUSE_TOOL_PATH, "--flash", path});
        announced.push_back(Seconds(bootloader.stats().announcedBusy - before).count());
        return ok;
    });
    stop = true;
    run.get();
    std::sort(announced.begin(), announced.end());
    const double polls = announced.empty() ? 0 : announced[announced.size() / 2];
    const std::string kib = std::to_string(size / 1024) + " KiB";
    const Timing pollSum{polls, polls, polls, announced.empty()};
    row("baseline: poll timeouts the simulator announced, " + kib, pollSum, 0);
    row("`dfuse-tool --flash` " + kib, flash, double(size) / 1e6, {{"announced", &pollSum}});
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

    const std::string only = argc > 2 ? argv[2] : "";
    header(repetitions);
    if (only.empty() || only == "convert")
        conversion(dir, repetitions);
    if (only.empty() || only == "flash") {
        const Timing toolStartUp = timeRuns(repetitions, [] {
            return runQuietly({DFUSE_TOOL_PATH, "--version"});
        });
        row("`dfuse-tool --version` (start-up, for scale)", toolStartUp, 0);
        flashing(dir, 256 * 1024, repetitions);
        flashing(dir, 512 * 1024, repetitions);
    }
    std::filesystem::remove_all(dir);
    return 0;
}
