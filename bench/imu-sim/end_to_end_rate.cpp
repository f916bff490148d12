// SPDX-License-Identifier: GPL-3.0-or-later
// Streams from imu-sim at rising stress rates and reports, per rate, what
// arrived and what was lost: once read with the frame codec alone, once
// through the device library and its callbacks. Prints a table; the highest
// rate without loss is the figure in docs/performance.md.
//
//   imu_sim_end_to_end_rate [seconds per rate] [rate ...]
#include "support/module_client.h"
#include "support/simulator_process.h"

#include <imuserial.h>

#include <QCoreApplication>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>
#include <thread>

namespace {

using namespace imusim::testing;
using namespace std::chrono;

struct Outcome
{
    std::uint64_t delivered = 0;
    std::uint64_t lost = 0;
    double seconds = 0;
};

std::atomic<std::uint64_t> librarySamples{0};
void countSample(IMUserial::sensor_data *)
{
    ++librarySamples;
}

std::vector<std::string> stressOptions(double rate)
{
    return {"--rate", std::to_string(rate), "--seed", "1"};
}

// Samples missing between consecutive counters; a gap of k frames is k lost.
std::uint64_t missing(const std::vector<ReceivedFrame> &frames)
{
    std::uint64_t lost = 0;
    int previous = -1;
    for (const ReceivedFrame &frame : frames) {
        if (frame.type != imuproto::DATA_SAMPLE)
            continue;
        if (previous >= 0)
            lost += static_cast<std::uint8_t>(frame.sequence - previous - 1);
        previous = frame.sequence;
    }
    return lost;
}

Outcome throughCodec(double rate, milliseconds window)
{
    SimulatorProcess simulator(stressOptions(rate));
    ModuleClient host(simulator.devicePath());
    host.command(imuproto::CMD_START_STREAM);
    const auto start = steady_clock::now();
    const auto frames = host.receiveFor(window);
    Outcome outcome;
    outcome.seconds = duration<double>(steady_clock::now() - start).count();
    for (const ReceivedFrame &frame : frames)
        outcome.delivered += frame.type == imuproto::DATA_SAMPLE;
    outcome.lost = missing(frames) + host.decoderStats().crcErrors;
    return outcome;
}

// The simulator's own account, printed when it ends.
std::pair<std::uint64_t, std::uint64_t> sentAndSkipped(const std::string &log)
{
    std::smatch match;
    static const std::regex line(R"((\d+) samples sent, (\d+) skipped)");
    if (!std::regex_search(log, match, line))
        return {0, 0};
    return {std::stoull(match[1]), std::stoull(match[2])};
}

Outcome throughLibrary(double rate, milliseconds window)
{
    SimulatorProcess simulator(stressOptions(rate));
    ::setenv("IMU_SIM_DIR", simulator.directory().c_str(), 1);
    Outcome outcome;
    {
        IMUserial::IMUSerial device(countSample);
        device.initPort(0);
        if (!device.isDeivceOpen())
            return outcome;
        librarySamples = 0;
        device.startRecv();
        const auto start = steady_clock::now();
        device.start_data_ransmission();
        std::this_thread::sleep_for(window);
        device.stop_data_ransmission();
        outcome.seconds = duration<double>(steady_clock::now() - start).count();
        std::this_thread::sleep_for(200ms); // callbacks of samples already read
        device.stopRecv();
        outcome.delivered = librarySamples;
    }
    simulator.stop(SIGTERM, 5s);
    const auto [sent, skipped] = sentAndSkipped(simulator.errorOutput());
    outcome.lost = skipped + (sent > outcome.delivered ? sent - outcome.delivered : 0);
    return outcome;
}

void report(const char *path, double rate, const Outcome &outcome)
{
    std::printf("%-8s %9.0f %12.0f %10llu %8s\n", path, rate,
                outcome.seconds > 0 ? static_cast<double>(outcome.delivered) / outcome.seconds : 0,
                static_cast<unsigned long long>(outcome.lost), outcome.lost == 0 ? "yes" : "no");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const milliseconds window(argc > 1 ? static_cast<int>(std::atof(argv[1]) * 1000) : 3000);
    std::vector<double> rates;
    for (int i = 2; i < argc; ++i)
        rates.push_back(std::atof(argv[i]));
    if (rates.empty())
        rates = {1000, 2000, 5000, 10000, 20000, 50000, 100000};

    std::printf("%-8s %9s %12s %10s %8s\n", "path", "rate/s", "delivered/s", "lost", "lossless");
    double bestCodec = 0, bestLibrary = 0;
    for (const double rate : rates) {
        const Outcome codec = throughCodec(rate, window);
        report("codec", rate, codec);
        const Outcome library = throughLibrary(rate, window);
        report("library", rate, library);
        if (codec.lost == 0 && codec.delivered > 0)
            bestCodec = std::max(bestCodec, rate);
        if (library.lost == 0 && library.delivered > 0)
            bestLibrary = std::max(bestLibrary, rate);
    }
    std::printf("highest lossless rate: %.0f samples/s through the codec, %.0f through the "
                "library\n",
                bestCodec, bestLibrary);
    return 0;
}
