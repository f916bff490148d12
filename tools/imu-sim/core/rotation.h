// SPDX-License-Identifier: GPL-3.0-or-later
// Small 3-D rotation toolkit for the motion model: vectors, unit quaternions
// and the yaw-pitch-roll angles the module reports.
#pragma once

namespace imusim {

struct Vec3
{
    double x = 0;
    double y = 0;
    double z = 0;
};

Vec3 operator+(const Vec3 &a, const Vec3 &b);
Vec3 operator-(const Vec3 &a, const Vec3 &b);
Vec3 operator*(const Vec3 &v, double factor);
double dot(const Vec3 &a, const Vec3 &b);
Vec3 cross(const Vec3 &a, const Vec3 &b);
double norm(const Vec3 &v);

// A 3x3 matrix by its rows.
struct Mat3
{
    Vec3 x{1, 0, 0};
    Vec3 y{0, 1, 0};
    Vec3 z{0, 0, 1};
};

Vec3 operator*(const Mat3 &m, const Vec3 &v);
double determinant(const Mat3 &m);

// Rotation from the body frame to the world frame; w first.
struct Quat
{
    double w = 1;
    double x = 0;
    double y = 0;
    double z = 0;
};

Quat operator*(const Quat &a, const Quat &b);
Quat conjugate(const Quat &q);
// Rotation by `degrees` about the unit vector `axis`.
Quat axisRotation(const Vec3 &axis, double degrees);
// The rotation angle of `q` in degrees, in [0, 180], and its unit axis (any
// unit vector when the angle is zero).
double rotationAngle(const Quat &q);
Vec3 rotationAxis(const Quat &q);

// Roll about x, pitch about y, yaw about z, in degrees; applied yaw first
// (z-y-x), so a body at zero angles is aligned with the world.
struct EulerAngles
{
    double roll = 0;
    double pitch = 0;
    double yaw = 0;
};

Quat quaternionFromEuler(const EulerAngles &angles);
// Yaw and roll in (-180, 180], pitch in [-90, 90].
EulerAngles eulerFromQuaternion(const Quat &q);

Vec3 rotateToWorld(const Quat &bodyToWorld, const Vec3 &body);
Vec3 rotateToBody(const Quat &bodyToWorld, const Vec3 &world);

// Body angular rate in deg/s from the angles and their time derivatives (deg/s).
Vec3 bodyRateFromEulerRates(const EulerAngles &angles, const EulerAngles &rates);

} // namespace imusim
