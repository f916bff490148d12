// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>

namespace updater {

// The raw Ed25519 public keys this build trusts for updates, set when it is
// configured (ORVIK_UPDATE_PUBLIC_KEYS). More than one while a key is being
// replaced; none means every update is refused.
QList<QByteArray> builtInUpdateKeys();

} // namespace updater
