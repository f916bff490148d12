// SPDX-License-Identifier: GPL-3.0-or-later
// Where the save dialogs propose to put what the operator saves.
#pragma once

#include <QDateTime>
#include <QString>

namespace filemenu {

// files::timestampedName() in the operator's documents folder, so that saves
// of one session sort by time and never collide.
QString suggestedPath(const QString &what, const QString &suffix, const QDateTime &when);

} // namespace filemenu
