// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace updater {

// A release number of dot-separated decimal components, e.g. "0.3" or "1.10.2".
// Components are kept as digit strings without leading zeros and trailing zero
// components are dropped, so "1.0" and "1.0.0" are the same version and no
// component can overflow an integer.
struct Version
{
    QStringList components;
};

std::optional<Version> parseVersion(const QString &text);

// Negative when a is older than b, zero when equal, positive when a is newer.
int compareVersions(const Version &a, const Version &b);

} // namespace updater
