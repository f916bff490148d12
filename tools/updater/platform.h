// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace updater {

// Everything that differs between operating systems.

// The key of this build's platform in the manifest, e.g. "windows-x86_64".
QString currentPlatformKey();

bool isProcessRunning(qint64 processId);

// Hands a verified package over: an installer (.exe, .msi) is started, any
// other package has its folder opened for the user. Returns an error or "".
QString handOverPackage(const QString &packagePath);

} // namespace updater
