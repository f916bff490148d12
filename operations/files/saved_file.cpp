// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/saved_file.h"

#include <QDir>
#include <QSaveFile>

namespace files {

QString failureText(const QString &path, const QFileDevice &file)
{
    QString why;
    switch (file.error()) {
    case QFileDevice::PermissionsError:
        why = QStringLiteral("no permission to write there");
        break;
    case QFileDevice::ResourceError: // what a full disk is reported as
        why = QStringLiteral("the disk is full or out of resources (%1)").arg(file.errorString());
        break;
    default:
        why = file.errorString();
    }
    return QStringLiteral("Could not save %1: %2").arg(QDir::toNativeSeparators(path), why);
}

QString writeAll(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        const QString failure = failureText(path, file);
        file.cancelWriting();
        return failure;
    }
    if (!file.commit())
        return failureText(path, file);
    return {};
}

QString timestampedName(const QString &what, const QString &suffix, const QDateTime &when)
{
    return QStringLiteral("orvik-imu-%1-%2.%3")
        .arg(what, when.toString(QStringLiteral("yyyyMMdd-HHmmss")), suffix);
}

} // namespace files
