// SPDX-License-Identifier: GPL-3.0-or-later
// Which directions a set of readings has reached: the unit sphere divided into
// kSphereCells cells of nearly equal area (the centres of a Fibonacci sphere;
// a direction belongs to the nearest centre). Qt-free.
#pragma once

#include <Eigen/Core>

#include <bitset>
#include <cstddef>

namespace calibration {

inline constexpr std::size_t kSphereCells = 100;

class SphereCoverage
{
public:
    // Marks the cell of `direction` (any length; a zero vector is ignored).
    void add(const Eigen::Vector3d &direction);
    // Marks the cell of `reading - centre`.
    void add(const Eigen::Vector3d &reading, const Eigen::Vector3d &centre)
    {
        add(Eigen::Vector3d(reading - centre));
    }

    double percent() const;
    bool reached(std::size_t cell) const { return reached_.test(cell); }
    void clear() { reached_.reset(); }

    // Unit vector at the centre of `cell`, for drawing.
    static Eigen::Vector3d cellCentre(std::size_t cell);
    static std::size_t cellOf(const Eigen::Vector3d &direction);

private:
    std::bitset<kSphereCells> reached_;
};

} // namespace calibration
