// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotation.h"

#include <cmath>

namespace imusim {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kRadPerDeg = kPi / 180.0;

} // namespace

Vec3 operator+(const Vec3 &a, const Vec3 &b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Vec3 operator-(const Vec3 &a, const Vec3 &b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec3 operator*(const Vec3 &v, double factor)
{
    return {v.x * factor, v.y * factor, v.z * factor};
}
double dot(const Vec3 &a, const Vec3 &b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

Vec3 cross(const Vec3 &a, const Vec3 &b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

Vec3 operator*(const Mat3 &m, const Vec3 &v)
{
    return {dot(m.x, v), dot(m.y, v), dot(m.z, v)};
}

double determinant(const Mat3 &m)
{
    return dot(m.x, cross(m.y, m.z));
}

double norm(const Vec3 &v)
{
    return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}

Quat operator*(const Quat &a, const Quat &b)
{
    return {a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z,
            a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
            a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
            a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w};
}

Quat conjugate(const Quat &q)
{
    return {q.w, -q.x, -q.y, -q.z};
}

Quat axisRotation(const Vec3 &axis, double degrees)
{
    const double half = degrees * kRadPerDeg / 2;
    const Vec3 v = axis * std::sin(half);
    return {std::cos(half), v.x, v.y, v.z};
}

double rotationAngle(const Quat &q)
{
    return 2 * std::atan2(norm({q.x, q.y, q.z}), std::fabs(q.w)) / kRadPerDeg;
}

Vec3 rotationAxis(const Quat &q)
{
    const Vec3 v = Vec3{q.x, q.y, q.z} * (q.w < 0 ? -1.0 : 1.0);
    const double length = norm(v);
    return length > 0 ? v * (1.0 / length) : Vec3{1, 0, 0};
}

Quat quaternionFromEuler(const EulerAngles &angles)
{
    const double cr = std::cos(angles.roll * kRadPerDeg / 2);
    const double sr = std::sin(angles.roll * kRadPerDeg / 2);
    const double cp = std::cos(angles.pitch * kRadPerDeg / 2);
    const double sp = std::sin(angles.pitch * kRadPerDeg / 2);
    const double cy = std::cos(angles.yaw * kRadPerDeg / 2);
    const double sy = std::sin(angles.yaw * kRadPerDeg / 2);
    return {cr * cp * cy + sr * sp * sy, sr * cp * cy - cr * sp * sy, cr * sp * cy + sr * cp * sy,
            cr * cp * sy - sr * sp * cy};
}

EulerAngles eulerFromQuaternion(const Quat &q)
{
    const double sinPitch = std::fmax(-1.0, std::fmin(1.0, 2 * (q.w * q.y - q.z * q.x)));
    return {std::atan2(2 * (q.w * q.x + q.y * q.z), 1 - 2 * (q.x * q.x + q.y * q.y)) / kRadPerDeg,
            std::asin(sinPitch) / kRadPerDeg,
            std::atan2(2 * (q.w * q.z + q.x * q.y), 1 - 2 * (q.y * q.y + q.z * q.z)) / kRadPerDeg};
}

Vec3 rotateToWorld(const Quat &bodyToWorld, const Vec3 &body)
{
    const Quat rotated = bodyToWorld * Quat{0, body.x, body.y, body.z} * conjugate(bodyToWorld);
    return {rotated.x, rotated.y, rotated.z};
}

Vec3 rotateToBody(const Quat &bodyToWorld, const Vec3 &world)
{
    return rotateToWorld(conjugate(bodyToWorld), world);
}

Vec3 bodyRateFromEulerRates(const EulerAngles &angles, const EulerAngles &rates)
{
    const double sr = std::sin(angles.roll * kRadPerDeg);
    const double cr = std::cos(angles.roll * kRadPerDeg);
    const double sp = std::sin(angles.pitch * kRadPerDeg);
    const double cp = std::cos(angles.pitch * kRadPerDeg);
    return {rates.roll - rates.yaw * sp, rates.pitch * cr + rates.yaw * sr * cp,
            -rates.pitch * sr + rates.yaw * cr * cp};
}

} // namespace imusim
