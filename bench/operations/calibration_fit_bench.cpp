// SPDX-License-Identifier: GPL-3.0-or-later
// The magnetometer fit on 100 000 readings, and the still poses and the
// accelerometer fit on an hour at 200 Hz, each beside one pass that takes |v|
// of the same readings.
#include "calibration/accelerometer_fit.h"
#include "calibration/fit_limits.h"
#include "calibration/magnetometer_fit.h"
#include "calibration/still_poses.h"
#include "synthetic_readings.h"

#include <benchmark/benchmark.h>

namespace {

using namespace calibrationtest;

constexpr double kRate = 200;

const std::vector<Eigen::Vector3d> &magnetometerReadings()
{
    static const std::vector<Eigen::Vector3d> kReadings = [] {
        SimulatedSensor sensor(
            {{20, -35, 12}, symmetricMatrix(1.08, 0.93, 1.02, 0.03, -0.02, 0.01), 0.3}, 1);
        return sensor.read(sphereVectors(100000, 48));
    }();
    return kReadings;
}

// Twelve cycles of the twelve wanted poses, 20 s still and 5 s of handling each.
const std::vector<Eigen::Vector3d> &hourOfAccelerometerReadings()
{
    static const std::vector<Eigen::Vector3d> kReadings = [] {
        SimulatedSensor sensor(
            {{0.25, -0.12, 0.4}, symmetricMatrix(1.02, 0.985, 1.01, 0.004, -0.006, 0.003), 0.02},
            2);
        std::vector<Eigen::Vector3d> truths;
        for (int cycle = 0; cycle < 12; ++cycle) {
            for (const auto &t :
                 scaled(calibration::wantedPoseDirections(), calibration::kStandardGravity))
                truths.push_back(t);
        }
        return sensor.stream(truths, kRate, 20, 5);
    }();
    return kReadings;
}

void magnitudes(benchmark::State &state, const std::vector<Eigen::Vector3d> &readings)
{
    for (auto _ : state) {
        double sum = 0;
        for (const auto &r : readings)
            sum += r.norm();
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(readings.size()));
}

void BM_MagnetometerMagnitudes(benchmark::State &state)
{
    magnitudes(state, magnetometerReadings());
}

void BM_MagnetometerFit(benchmark::State &state)
{
    const auto &readings = magnetometerReadings();
    for (auto _ : state) {
        const auto result = calibration::fitMagnetometer(readings);
        if (!result.fit)
            state.SkipWithError(result.refusal.c_str());
        benchmark::DoNotOptimize(result);
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(readings.size()));
}

void BM_HourOfAccelerometerMagnitudes(benchmark::State &state)
{
    magnitudes(state, hourOfAccelerometerReadings());
}

void BM_HourOfStillPosesAndAccelerometerFit(benchmark::State &state)
{
    const auto &readings = hourOfAccelerometerReadings();
    for (auto _ : state) {
        const auto result =
            calibration::fitAccelerometer(calibration::findStillPoses(readings, kRate));
        if (!result.fit)
            state.SkipWithError(result.refusal.c_str());
        benchmark::DoNotOptimize(result);
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(readings.size()));
}

BENCHMARK(BM_MagnetometerMagnitudes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MagnetometerFit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HourOfAccelerometerMagnitudes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HourOfStillPosesAndAccelerometerFit)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
