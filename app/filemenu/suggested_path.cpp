#include "suggested_path.h"

#include <QDir>
#include <QStandardPaths>

namespace filemenu {

QString suggestedPath(const QString &what, const QString &suffix, const QDateTime &when)
{
    const QString name = QStringLiteral("orvik-imu-%1-%2.%3")
                             .arg(what, when.toString(QStringLiteral("yyyyMMdd-HHmmss")), suffix);
    return QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)).filePath(name);
}

} // namespace filemenu
