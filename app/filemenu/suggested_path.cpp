// SPDX-License-Identifier: GPL-3.0-or-later
#include "suggested_path.h"

#include "files/saved_file.h"

#include <QDir>
#include <QStandardPaths>

namespace filemenu {

QString suggestedPath(const QString &what, const QString &suffix, const QDateTime &when)
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
        .filePath(files::timestampedName(what, suffix, when));
}

} // namespace filemenu
