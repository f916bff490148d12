#include "sphere_coverage.h"

#include <array>
#include <cmath>
#include <limits>

namespace calibration {
namespace {

// Fibonacci sphere: equal steps in z, the longitude turned by the golden angle
// from one centre to the next, so each centre has about the same area around it.
std::array<Eigen::Vector3d, kSphereCells> makeCentres()
{
    const double goldenAngle = M_PI * (3 - std::sqrt(5.0));
    std::array<Eigen::Vector3d, kSphereCells> centres;
    for (std::size_t i = 0; i < kSphereCells; ++i) {
        const double z = 1 - (2 * double(i) + 1) / double(kSphereCells);
        const double r = std::sqrt(1 - z * z);
        const double longitude = goldenAngle * double(i);
        centres[i] = {r * std::cos(longitude), r * std::sin(longitude), z};
    }
    return centres;
}

const std::array<Eigen::Vector3d, kSphereCells> &centres()
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
    return centres().at(cell);
}

std::size_t SphereCoverage::cellOf(const Eigen::Vector3d &direction)
{
    // The nearest centre on the sphere is the one of largest dot product;
    // the direction need not be normalised for that.
    std::size_t nearest = 0;
    double largest = -std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < kSphereCells; ++i) {
        const double dot = centres()[i].dot(direction);
        if (dot > largest) {
            largest = dot;
            nearest = i;
        }
    }
    return nearest;
}

} // namespace calibration
