// Readings of a simulated sensor with known errors, for the calibration fits.
#pragma once

#include <Eigen/Core>
#include <Eigen/Geometry>

#include <cmath>
#include <random>
#include <vector>

namespace calibrationtest {

inline Eigen::Matrix3d symmetricMatrix(double xx, double yy, double zz, double xy, double xz,
                                       double yz)
{
    Eigen::Matrix3d m;
    m << xx, xy, xz, xy, yy, yz, xz, yz, zz;
    return m;
}

// raw = distortion * truth + bias + noise (per axis)
struct SensorErrors
{
    Eigen::Vector3d bias;
    Eigen::Matrix3d distortion; // symmetric
    double noise;
};

class SimulatedSensor
{
public:
    SimulatedSensor(SensorErrors errors, unsigned seed) : errors_(std::move(errors)), random_(seed)
    {
    }

    Eigen::Vector3d read(const Eigen::Vector3d &truth, double noise)
    {
        std::normal_distribution<double> normal(0, noise);
        const Eigen::Vector3d n(normal(random_), normal(random_), normal(random_));
        return errors_.distortion * truth + errors_.bias + n;
    }
    Eigen::Vector3d read(const Eigen::Vector3d &truth) { return read(truth, errors_.noise); }

    std::vector<Eigen::Vector3d> read(const std::vector<Eigen::Vector3d> &truths)
    {
        std::vector<Eigen::Vector3d> raw;
        for (const auto &t : truths)
            raw.push_back(read(t));
        return raw;
    }

private:
    SensorErrors errors_;
    std::mt19937 random_;
};

// `count` vectors of length `strength` in uniformly random directions.
inline std::vector<Eigen::Vector3d> sphereVectors(std::size_t count, double strength,
                                                  unsigned seed = 1)
{
    std::mt19937 random(seed);
    std::normal_distribution<double> normal;
    std::vector<Eigen::Vector3d> out;
    for (std::size_t i = 0; i < count; ++i)
        out.push_back(strength *
                      Eigen::Vector3d(normal(random), normal(random), normal(random)).normalized());
    return out;
}

// The field seen while the module only turns about its z axis (yaw), the field
// dipping `dipDegrees` below the horizontal.
inline std::vector<Eigen::Vector3d> yawVectors(std::size_t count, double strength,
                                               double dipDegrees)
{
    const double dip = dipDegrees * M_PI / 180;
    std::vector<Eigen::Vector3d> out;
    for (std::size_t i = 0; i < count; ++i) {
        const double yaw = 2 * M_PI * double(i) / double(count);
        out.push_back(strength * Eigen::Vector3d(std::cos(dip) * std::cos(yaw),
                                                 std::cos(dip) * std::sin(yaw), -std::sin(dip)));
    }
    return out;
}

// The true readings of an accelerometer held still with each of `ups` up.
inline std::vector<Eigen::Vector3d> gravityVectors(const std::vector<Eigen::Vector3d> &ups,
                                                   double gravity)
{
    std::vector<Eigen::Vector3d> out;
    for (const auto &up : ups)
        out.push_back(gravity * up.normalized());
    return out;
}

// A stream at `rate` holding each truth for `holdSeconds`, with `turnSeconds`
// of handling (readings shaken by 1 m/s^2) between one and the next.
inline std::vector<Eigen::Vector3d> poseStream(SimulatedSensor &sensor,
                                               const std::vector<Eigen::Vector3d> &truths,
                                               double rate, double holdSeconds, double turnSeconds)
{
    std::vector<Eigen::Vector3d> stream;
    for (std::size_t i = 0; i < truths.size(); ++i) {
        for (int s = 0; s < int(holdSeconds * rate); ++s)
            stream.push_back(sensor.read(truths[i]));
        const Eigen::Vector3d &next = truths[(i + 1) % truths.size()];
        for (int s = 0; s < int(turnSeconds * rate); ++s)
            stream.push_back(sensor.read((truths[i] + next) / 2, 1.0));
    }
    return stream;
}

} // namespace calibrationtest
