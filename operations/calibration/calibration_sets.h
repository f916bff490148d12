// SPDX-License-Identifier: GPL-3.0-or-later
// Reading and writing the module's three stored calibration sets through the
// device library's interface, with every result checked as command_outcome.h
// describes. Header-only, so each user compiles it against the form of the
// interface it is built with.
#pragma once

#include "imuserial.h"
#include "outcome/command_outcome.h"

#include <cstring>
#include <optional>

namespace calibration {

// The three stored sets; a set the module did not deliver has no value.
struct StoredSets
{
    std::optional<IMUserial::imu_calibration_data> imu1;
    std::optional<IMUserial::imu_calibration_data> imu2;
    std::optional<IMUserial::mag_calibration_data> mag;

    bool complete() const { return imu1 && imu2 && mag; }
};

// What is written: every set present.
struct Sets
{
    IMUserial::imu_calibration_data imu1;
    IMUserial::imu_calibration_data imu2;
    IMUserial::mag_calibration_data mag;
};

template <class Record, class Read> std::optional<Record> readSet(Read read)
{
    Record record;
    if (!outcome::read(record, [&] { return read(&record); }))
        return std::nullopt;
    return record;
}

template <class Device> StoredSets readStoredSets(Device &device)
{
    using namespace IMUserial;
    return {readSet<imu_calibration_data>(
                [&](imu_calibration_data *set) { return device.read_imu1_calibration_data(set); }),
            readSet<imu_calibration_data>(
                [&](imu_calibration_data *set) { return device.read_imu2_calibration_data(set); }),
            readSet<mag_calibration_data>(
                [&](mag_calibration_data *set) { return device.read_mag_calibration_data(set); })};
}

template <class Record> bool sameBytes(const std::optional<Record> &stored, const Record &expected)
{
    return stored && std::memcmp(&*stored, &expected, sizeof expected) == 0;
}

// Writes all three sets whatever the others answered; the sets read back
// decide whether the write took effect.
template <class Device> bool writeAndVerify(Device &device, Sets sets)
{
    const bool accepted[] = {
        outcome::run([&] { return device.write_imu1_calibration_data(&sets.imu1); }),
        outcome::run([&] { return device.write_imu2_calibration_data(&sets.imu2); }),
        outcome::run([&] { return device.write_mag_calibration_data(&sets.mag); })};
    if (!(accepted[0] && accepted[1] && accepted[2]))
        return false;
    const StoredSets stored = readStoredSets(device);
    return sameBytes(stored.imu1, sets.imu1) && sameBytes(stored.imu2, sets.imu2) &&
           sameBytes(stored.mag, sets.mag);
}

} // namespace calibration
