// SPDX-License-Identifier: GPL-3.0-or-later
#include "noise/noise_analysis.h"

#include <algorithm>
#include <mutex>
#include <thread>

namespace noise {

namespace {

// Each channel is two tasks, its curve with the parameters read from it and
// its spectrum, which take about as long; the share done counts tasks.
constexpr std::size_t kTasksPerChannel = 2;

class Work
{
public:
    Work(const std::vector<Channel> &channels, double rate, const AnalysisControl &control,
         std::vector<ChannelAnalysis> &results)
        : channels_(channels), rate_(rate), control_(control), results_(results),
          total_(channels.size() * kTasksPerChannel)
    {
    }

    // Takes tasks until none is left or the analysis is cancelled.
    void run()
    {
        for (std::size_t task = next_++; task < total_ && !cancelled(); task = next_++) {
            perform(task / kTasksPerChannel, task % kTasksPerChannel);
            report();
        }
    }

    bool cancelled() const
    {
        return control_.cancel && control_.cancel->load(std::memory_order_relaxed);
    }

private:
    void perform(std::size_t index, std::size_t stage)
    {
        const Channel &channel = channels_[index];
        ChannelAnalysis &result = results_[index];
        if (stage == 0) {
            result.curve = allanDeviation(channel.samples, rate_, control_.cancel);
            result.parameters = readNoiseParameters(result.curve);
        } else {
            result.spectrum = welchSpectrum(channel.samples, rate_, 0, control_.cancel);
        }
    }

    // Under the lock, so that the shares reported only grow.
    void report()
    {
        std::lock_guard lock(reportLock_);
        ++done_;
        if (control_.progress && !cancelled())
            control_.progress(double(done_) / double(total_));
    }

    const std::vector<Channel> &channels_;
    const double rate_;
    const AnalysisControl &control_;
    std::vector<ChannelAnalysis> &results_;
    const std::size_t total_;
    std::atomic<std::size_t> next_{0};
    std::mutex reportLock_;
    std::size_t done_ = 0;
};

unsigned threadCount(const AnalysisControl &control, std::size_t tasks)
{
    const unsigned wanted = control.threads ? control.threads : std::thread::hardware_concurrency();
    return unsigned(std::clamp<std::size_t>(wanted, 1, std::max<std::size_t>(tasks, 1)));
}

} // namespace

Analysis analyse(const std::vector<Channel> &channels, double rate, const AnalysisControl &control)
{
    Analysis analysis;
    analysis.rate = rate;
    for (const Channel &channel : channels) {
        analysis.seconds = std::max(analysis.seconds, rate > 0 ? channel.samples.size() / rate : 0);
        analysis.channels.push_back({channel.chip, channel.sensor, channel.axis, {}, {}, {}});
    }
    Work work(channels, rate, control, analysis.channels);
    std::vector<std::thread> helpers;
    for (unsigned i = 1; i < threadCount(control, channels.size() * kTasksPerChannel); ++i)
        helpers.emplace_back([&work] { work.run(); });
    work.run();
    for (std::thread &helper : helpers)
        helper.join();
    if (work.cancelled()) {
        analysis.channels.clear();
        analysis.cancelled = true;
    }
    return analysis;
}

std::string channelName(int chip, Sensor sensor, int axis)
{
    const char *prefix = sensor == Sensor::Gyroscope ? "gyr" : "acc";
    return prefix + std::to_string(chip) + '_' + char('x' + axis);
}

const char *unitOf(Sensor sensor)
{
    return sensor == Sensor::Gyroscope ? "deg/s" : "m/s^2";
}

} // namespace noise
