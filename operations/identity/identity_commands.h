// SPDX-License-Identifier: GPL-3.0-or-later
// Reading and writing the module's identity through the device library's
// interface, each result checked as command_outcome.h describes. Header-only,
// so each user compiles it against the form of the interface it is built with.
#pragma once

#include "identity/identity.h"
#include "imuserial.h"
#include "outcome/command_outcome.h"

#include <QString>

#include <cstring>
#include <optional>

namespace identity {

// "major.minor.patch", or nothing when the module delivered none.
template <class Device> std::optional<QString> readVersion(Device &device)
{
    char version[IMUserial::VERSION_SIZE];
    if (!outcome::read(version, [&] { return device.getVersion(version); }))
        return std::nullopt;
    return versionText(version);
}

template <class Device> std::optional<QString> readSerialNumber(Device &device)
{
    char sn[IMUserial::SN_SIZE];
    if (!outcome::read(sn, [&] { return device.getSN(sn); }))
        return std::nullopt;
    return serialNumberText(sn);
}

// Writes a valid serial number (see isValidSerialNumber); the module's
// acceptance alone is not proof, so the number is read back.
template <class Device> bool writeSerialNumber(Device &device, const QString &text)
{
    const QByteArray latin1 = text.toLatin1();
    char sn[IMUserial::SN_SIZE + 1] = {};
    std::memcpy(sn, latin1.constData(),
                std::size_t(qMin(latin1.size(), qsizetype(IMUserial::SN_SIZE))));
    return outcome::run([&] { return device.setSN(sn); },
                        [&] { return readSerialNumber(device) == text; });
}

} // namespace identity
