// SPDX-License-Identifier: GPL-3.0-or-later
#include "sphere_coverage.h"

#include <cmath>

namespace calibration {
namespace {

// One centre a row, so that finding the nearest is one matrix-vector product.
using Centres = Eigen::Matrix<double, kSphereCells, 3>;

// Fibonacci sphere: equal steps in z, the longitude turned by the golden angle
// from one centre to the next, so each centre has about the same area around it.
Centres makeCentres()
{
    const double goldenAngle = M_PI * (3 - std::sqrt(5.0));
    Centres centres;
    for (std::size_t i = 0; i < kSphereCells; ++i) {
        const double z = 1 - (2 * double(i) + 1) / double(kSphereCells);
        const double r = std::sqrt(1 - z * z);
        const double longitude = goldenAngle * double(i);
        centres.row(Eigen::Index(i)) << r * std::cos(longitude), r * std::sin(longitude), z;
    }
    return centres;
}

const Centres &centres()
{
    static const auto kCentres = makeCentres();
    return kCentres;
}

} // namespace

void SphereCoverage::add(const Eigen::Vector3d &direction)
{
    if (direction.squaredNorm() > 0 && direction.allFinite())
        reached_.set(cellOf(direction));
}

double SphereCoverage::percent() const
{
    return 100.0 * double(reached_.count()) / kSphereCells;
}

Eigen::Vector3d SphereCoverage::cellCentre(std::size_t cell)
{
    return centres().row(Eigen::Index(cell)).transpose();
}

std::size_t SphereCoverage::cellOf(const Eigen::Vector3d &direction)
{
    // The nearest centre on the sphere is the one of largest dot product;
    // the direction need not be normalised for that.
    Eigen::Index nearest = 0;
    (centres() * direction).maxCoeff(&nearest);
    return std::size_t(nearest);
}

} // namespace calibration
