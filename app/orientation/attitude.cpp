// SPDX-License-Identifier: GPL-3.0-or-later
#include "attitude.h"

#include <algorithm>
#include <cmath>

namespace orientation {

namespace {

constexpr double degreesPerRadian = 180.0 / M_PI;
// Below this norm the four numbers are noise rather than a rotation.
constexpr double shortestUsableNorm = 1e-9;

} // namespace

Quaternion normalized(const Quaternion &q)
{
    const double norm = std::sqrt(q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z);
    if (!(norm > shortestUsableNorm))
        return {};
    return {q.w / norm, q.x / norm, q.y / norm, q.z / norm};
}

Quaternion quaternionFromEuler(const EulerDegrees &angles)
{
    const double cr = std::cos(angles.roll / degreesPerRadian / 2);
    const double sr = std::sin(angles.roll / degreesPerRadian / 2);
    const double cp = std::cos(angles.pitch / degreesPerRadian / 2);
    const double sp = std::sin(angles.pitch / degreesPerRadian / 2);
    const double cy = std::cos(angles.yaw / degreesPerRadian / 2);
    const double sy = std::sin(angles.yaw / degreesPerRadian / 2);
    return {cr * cp * cy + sr * sp * sy, sr * cp * cy - cr * sp * sy, cr * sp * cy + sr * cp * sy,
            cr * cp * sy - sr * sp * cy};
}

Rotation rotationFromQuaternion(const Quaternion &raw)
{
    const Quaternion q = normalized(raw);
    const double xx = q.x * q.x, yy = q.y * q.y, zz = q.z * q.z;
    const double xy = q.x * q.y, xz = q.x * q.z, yz = q.y * q.z;
    const double wx = q.w * q.x, wy = q.w * q.y, wz = q.w * q.z;
    return {{{1 - 2 * (yy + zz), 2 * (xy - wz), 2 * (xz + wy)},
             {2 * (xy + wz), 1 - 2 * (xx + zz), 2 * (yz - wx)},
             {2 * (xz - wy), 2 * (yz + wx), 1 - 2 * (xx + yy)}}};
}

Rotation multiplied(const Rotation &a, const Rotation &b)
{
    Rotation product{};
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            for (int k = 0; k < 3; ++k)
                product[row][column] += a[row][k] * b[k][column];
    return product;
}

Vec3 rotated(const Rotation &r, const Vec3 &v)
{
    return {r[0][0] * v.x + r[0][1] * v.y + r[0][2] * v.z,
            r[1][0] * v.x + r[1][1] * v.y + r[1][2] * v.z,
            r[2][0] * v.x + r[2][1] * v.y + r[2][2] * v.z};
}

double dot(const Vec3 &a, const Vec3 &b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

EulerDegrees eulerFromQuaternion(const Quaternion &raw)
{
    const Quaternion q = normalized(raw);
    // Clamped: rounding may push the sine a hair past 1 at ±90° pitch.
    const double sinPitch = std::clamp(2 * (q.w * q.y - q.z * q.x), -1.0, 1.0);
    return {std::atan2(2 * (q.w * q.x + q.y * q.z), 1 - 2 * (q.x * q.x + q.y * q.y)) *
                degreesPerRadian,
            std::asin(sinPitch) * degreesPerRadian,
            std::atan2(2 * (q.w * q.z + q.x * q.y), 1 - 2 * (q.y * q.y + q.z * q.z)) *
                degreesPerRadian};
}

} // namespace orientation
