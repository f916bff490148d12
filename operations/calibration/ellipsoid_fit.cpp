// SPDX-License-Identifier: GPL-3.0-or-later
#include "ellipsoid_fit.h"

#include <Eigen/Cholesky>
#include <Eigen/Eigenvalues>
#include <Eigen/LU>
#include <Eigen/QR>
#include <Eigen/SVD>

#include <cmath>
#include <limits>

namespace calibration {
namespace {

using Parameters = Eigen::Matrix<double, 9, 1>;

// Points centred on their mean and scaled to unit RMS distance: the quadric's
// terms then have similar size and the least-squares problem is well posed.
struct Normalisation
{
    Eigen::Vector3d centre = Eigen::Vector3d::Zero();
    double scale = 1;

    explicit Normalisation(const std::vector<Eigen::Vector3d> &points)
    {
        if (points.empty())
            return;
        for (const auto &p : points)
            centre += p;
        centre /= double(points.size());
        double squares = 0;
        for (const auto &p : points)
            squares += (p - centre).squaredNorm();
        const double rms = std::sqrt(squares / double(points.size()));
        if (rms > 0)
            scale = rms;
    }

    Eigen::Vector3d apply(const Eigen::Vector3d &p) const { return (p - centre) / scale; }

    std::vector<Eigen::Vector3d> apply(const std::vector<Eigen::Vector3d> &points) const
    {
        std::vector<Eigen::Vector3d> normalised;
        normalised.reserve(points.size());
        for (const auto &p : points)
            normalised.push_back(apply(p));
        return normalised;
    }

    UnitSphereMap toRaw(const UnitSphereMap &normalised) const
    {
        return {centre + scale * normalised.centre, normalised.matrix / scale};
    }
    UnitSphereMap fromRaw(const UnitSphereMap &raw) const
    {
        return {apply(raw.centre), raw.matrix * scale};
    }
};

Eigen::Index termCount(QuadricTerms terms)
{
    return terms == QuadricTerms::Full ? 9 : 6;
}

// Rows [x², y², z², 2xy, 2xz, 2yz, 2x, 2y, 2z] of the quadric
// y^T A y + 2 g^T y = 1; without the cross terms when axis-aligned.
Eigen::MatrixXd designMatrix(const std::vector<Eigen::Vector3d> &points, QuadricTerms terms)
{
    Eigen::MatrixXd design(Eigen::Index(points.size()), termCount(terms));
    for (Eigen::Index i = 0; i < design.rows(); ++i) {
        const Eigen::Vector3d &y = points[std::size_t(i)];
        const Eigen::Array3d squares = y.array().square();
        if (terms == QuadricTerms::Full)
            design.row(i) << squares.transpose(), 2 * y.x() * y.y(), 2 * y.x() * y.z(),
                2 * y.y() * y.z(), 2 * y.transpose();
        else
            design.row(i) << squares.transpose(), 2 * y.transpose();
    }
    return design;
}

double conditionOf(const Eigen::HouseholderQR<Eigen::MatrixXd> &qr, Eigen::Index terms)
{
    // The triangular factor has the design matrix's singular values.
    const Eigen::MatrixXd r = qr.matrixQR().topRows(terms).triangularView<Eigen::Upper>();
    const Eigen::VectorXd singular = Eigen::JacobiSVD<Eigen::MatrixXd>(r).singularValues();
    const double smallest = singular(terms - 1);
    return smallest > 0 ? singular(0) / smallest : std::numeric_limits<double>::infinity();
}

// The centred form (y - c)^T (A / k) (y - c) = 1 of the fitted quadric, as a
// unit-sphere map when A / k is positive definite.
std::optional<UnitSphereMap> ellipsoidOf(const Eigen::VectorXd &p, QuadricTerms terms)
{
    Eigen::Matrix3d a = p.head<3>().asDiagonal();
    Eigen::Vector3d g = p.tail<3>();
    if (terms == QuadricTerms::Full) {
        a(0, 1) = a(1, 0) = p(3);
        a(0, 2) = a(2, 0) = p(4);
        a(1, 2) = a(2, 1) = p(5);
    }
    const Eigen::FullPivLU<Eigen::Matrix3d> lu(a);
    if (!lu.isInvertible())
        return std::nullopt;
    const Eigen::Vector3d centre = -lu.solve(g);
    const double k = 1 + centre.dot(a * centre);
    if (!(std::abs(k) > 0))
        return std::nullopt;
    const Eigen::Matrix3d shape = a / k;
    if (Eigen::SelfAdjointEigenSolver<Eigen::Matrix3d>(shape).eigenvalues().minCoeff() <= 0)
        return std::nullopt;
    return UnitSphereMap{centre, symmetricSquareRoot(shape)};
}

// Parameters: centre (3), the matrix's diagonal (3), its upper off-diagonal
// entries (01, 02, 12); an axis-aligned map uses the first six.
Parameters toParameters(const UnitSphereMap &map)
{
    const Eigen::Matrix3d &m = map.matrix;
    Parameters p;
    p << map.centre, m.diagonal(), m(0, 1), m(0, 2), m(1, 2);
    return p;
}

UnitSphereMap fromParameters(const Parameters &p)
{
    Eigen::Matrix3d m = p.segment<3>(3).asDiagonal();
    m(0, 1) = m(1, 0) = p(6);
    m(0, 2) = m(2, 0) = p(7);
    m(1, 2) = m(2, 1) = p(8);
    return {p.head<3>(), m};
}

struct Linearisation
{
    double cost = 0;
    Eigen::Matrix<double, 9, 9> jtj = Eigen::Matrix<double, 9, 9>::Zero();
    Parameters jtr = Parameters::Zero();
};

double costAt(const std::vector<Eigen::Vector3d> &points, const UnitSphereMap &map)
{
    double cost = 0;
    for (const auto &y : points)
        cost += std::pow((map.matrix * (y - map.centre)).norm() - 1, 2);
    return cost;
}

Linearisation linearise(const std::vector<Eigen::Vector3d> &points, const UnitSphereMap &map)
{
    Linearisation l;
    for (const auto &y : points) {
        const Eigen::Vector3d v = y - map.centre;
        const Eigen::Vector3d u = map.matrix * v;
        const double length = u.norm();
        const double residual = length - 1;
        l.cost += residual * residual;
        if (length == 0)
            continue;
        Parameters j;
        j << -(map.matrix * u) / length, (u.array() * v.array()).matrix() / length,
            (u(0) * v(1) + u(1) * v(0)) / length, (u(0) * v(2) + u(2) * v(0)) / length,
            (u(1) * v(2) + u(2) * v(1)) / length;
        l.jtj.selfadjointView<Eigen::Lower>().rankUpdate(j);
        l.jtr += j * residual;
    }
    l.jtj = l.jtj.selfadjointView<Eigen::Lower>();
    return l;
}

bool positiveDefinite(const Eigen::Matrix3d &m)
{
    return Eigen::SelfAdjointEigenSolver<Eigen::Matrix3d>(m).eigenvalues().minCoeff() > 0;
}

} // namespace

QuadricFit fitQuadric(const std::vector<Eigen::Vector3d> &points, QuadricTerms terms)
{
    const Eigen::Index count = termCount(terms);
    if (Eigen::Index(points.size()) < count)
        return {};
    const Normalisation normalisation(points);
    const Eigen::MatrixXd design = designMatrix(normalisation.apply(points), terms);
    const Eigen::HouseholderQR<Eigen::MatrixXd> qr(design);
    QuadricFit fit;
    fit.condition = conditionOf(qr, count);
    if (!(fit.condition <= kMostCondition))
        return fit;
    const auto ellipsoid = ellipsoidOf(qr.solve(Eigen::VectorXd::Ones(design.rows())), terms);
    if (ellipsoid)
        fit.ellipsoid = normalisation.toRaw(*ellipsoid);
    return fit;
}

std::optional<UnitSphereMap> refineOnUnitSphere(const std::vector<Eigen::Vector3d> &points,
                                                const UnitSphereMap &start, QuadricTerms terms)
{
    constexpr int kMostIterations = 100;
    constexpr double kStepTolerance = 1e-10;
    const Eigen::Index count = termCount(terms);
    const Normalisation normalisation(points);
    const std::vector<Eigen::Vector3d> normalised = normalisation.apply(points);
    Parameters p = toParameters(normalisation.fromRaw(start));
    if (terms == QuadricTerms::AxisAligned)
        p.tail<3>().setZero();
    Linearisation l = linearise(normalised, fromParameters(p));
    double damping = 1e-3;
    for (int iteration = 0; iteration < kMostIterations; ++iteration) {
        const Eigen::MatrixXd jtj = l.jtj.topLeftCorner(count, count);
        Eigen::MatrixXd damped = jtj;
        damped.diagonal() += damping * jtj.diagonal().cwiseMax(1e-12);
        Parameters step = Parameters::Zero();
        step.head(count) = damped.ldlt().solve(-l.jtr.head(count));
        if (step.norm() <= kStepTolerance * (1 + p.norm())) {
            const UnitSphereMap map = normalisation.toRaw(fromParameters(p));
            if (!positiveDefinite(map.matrix))
                return std::nullopt;
            return map;
        }
        if (costAt(normalised, fromParameters(p + step)) < l.cost) {
            p += step;
            l = linearise(normalised, fromParameters(p));
            damping = std::max(damping / 10, 1e-12);
        } else {
            damping *= 10;
        }
    }
    return std::nullopt;
}

Eigen::Matrix3d symmetricSquareRoot(const Eigen::Matrix3d &matrix)
{
    return Eigen::SelfAdjointEigenSolver<Eigen::Matrix3d>(matrix).operatorSqrt();
}

} // namespace calibration
