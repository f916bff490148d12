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
double norm(const Vec3 &v);

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
