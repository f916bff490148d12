// SPDX-License-Identifier: GPL-3.0-or-later
// The module's attitude as the stream reports it: a unit quaternion turning
// body coordinates into world coordinates (z up), and what follows from it.
#pragma once

#include <array>

namespace orientation {

struct Quaternion
{
    double w = 1;
    double x = 0;
    double y = 0;
    double z = 0;
};

struct Vec3
{
    double x = 0;
    double y = 0;
    double z = 0;
};

// Row-major 3x3 matrix.
using Rotation = std::array<std::array<double, 3>, 3>;

struct EulerDegrees
{
    double roll = 0;  // about x
    double pitch = 0; // about y
    double yaw = 0;   // about z
};

// Unit length; a quaternion too short to carry a direction (a module that has
// sent nothing yet) reads as the reference attitude.
Quaternion normalized(const Quaternion &q);
// Rotations by the given angles applied yaw, then pitch, then roll.
Quaternion quaternionFromEuler(const EulerDegrees &angles);
// Body-to-world rotation of the normalized quaternion.
Rotation rotationFromQuaternion(const Quaternion &q);
Rotation multiplied(const Rotation &a, const Rotation &b);
Vec3 rotated(const Rotation &r, const Vec3 &v);
double dot(const Vec3 &a, const Vec3 &b);
EulerDegrees eulerFromQuaternion(const Quaternion &q);

} // namespace orientation
