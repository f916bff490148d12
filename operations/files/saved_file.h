// SPDX-License-Identifier: GPL-3.0-or-later
// Files the operator names: written completely or not at all, and a failure
// told in plain words.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

class QFileDevice;

namespace files {

// "Could not save <path>: <why>", the why in words an operator understands
// (no permission, disk full), else the system's own text.
QString failureText(const QString &path, const QFileDevice &file);

// Writes `bytes` to `path` through a temporary file renamed over it, so the
// path holds either its old content or all of `bytes`. Empty on success, else
// failureText().
QString writeAll(const QString &path, const QByteArray &bytes);

// "orvik-imu-<what>-<yyyyMMdd>-<HHmmss>.<suffix>": the name a save is
// proposed under, so that saves sort by time.
QString timestampedName(const QString &what, const QString &suffix, const QDateTime &when);

} // namespace files
