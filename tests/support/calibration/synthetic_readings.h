// SPDX-License-Identifier: GPL-3.0-or-later
// Readings of a simulated sensor with known errors, for the calibration fits.
#pragma once

#include <Eigen/Core>

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

    std::vector<Eigen::Vector3d> read(const std::vector<Eigen::Vector3d> &truths)
    {
        std::vector<Eigen::Vector3d> raw;
        for (const auto &t : truths)
            raw.push_back(read(t, errors_.noise));
        return raw;
    }

    // At `rate`, each truth held for `holdSeconds`, then `turnSeconds` of
    // handling (readings shaken by 1 unit) on the way to the next.
    std::vector<Eigen::Vector3d> stream(const std::vector<Eigen::Vector3d> &truths, double rate,
                                        double holdSeconds, double turnSeconds)
    {
        std::vector<Eigen::Vector3d> raw;
        for (std::size_t i = 0; i < truths.size(); ++i) {
            for (int s = 0; s < int(holdSeconds * rate); ++s)
                raw.push_back(read(truths[i], errors_.noise));
            for (int s = 0; s < int(turnSeconds * rate); ++s)
                raw.push_back(read((truths[i] + truths[(i + 1) % truths.size()]) / 2, 1.0));
        }
        return raw;
    }

private:
    Eigen::Vector3d read(const Eigen::Vector3d &truth, double noise)
    {
        std::normal_distribution<double> normal(0, noise);
        const Eigen::Vector3d n(normal(random_), normal(random_), normal(random_));
        return errors_.distortion * truth + errors_.bias + n;
    }

    SensorErrors errors_;
    std::mt19937 random_;
};

// `count` vectors of length `strength` in uniformly random directions.
inline std::vector<Eigen::Vector3d> sphereVectors(std::size_t count, double strength)
{
    std::mt19937 random(1);
    std::normal_distribution<double> normal;
    std::vector<Eigen::Vector3d> out;
    for (std::size_t i = 0; i < count; ++i)
        out.push_back(strength *
                      Eigen::Vector3d(normal(random), normal(random), normal(random)).normalized());
    return out;
}

// Vectors of length `strength` along each of `directions`.
inline std::vector<Eigen::Vector3d> scaled(const std::vector<Eigen::Vector3d> &directions,
                                           double strength)
{
    std::vector<Eigen::Vector3d> out;
    for (const auto &d : directions)
        out.push_back(strength * d.normalized());
    return out;
}

// The field seen by a module turned about its z axis only, dipping 60 degrees.
inline std::vector<Eigen::Vector3d> yawOnlyVectors(std::size_t count, double strength)
{
    std::vector<Eigen::Vector3d> out;
    for (std::size_t i = 0; i < count; ++i) {
        const double yaw = 2 * M_PI * double(i) / double(count);
        out.push_back(strength * Eigen::Vector3d(std::cos(yaw) / 2, std::sin(yaw) / 2, -0.866));
    }
    return out;
}

} // namespace calibrationtest
