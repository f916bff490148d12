// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "manifest.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace updater {

// Where one package download lands: a private folder of its own, the body in
// "<name>.part", and only a body whose size and SHA-256 match and whose
// signature is by a trusted key gets the real name. The folder is removed when the object goes
// away, unless the package was verified.
class PackageDownload
{
public:
    // Returns an error, or "" once the part file is open for writing.
    QString open(const QString &parentFolder, const QString &fileName);
    QIODevice *sink() { return &partFile_; }

    // Closes the part file and checks it. On success the package is renamed to
    // its real name and kept; on failure the folder is removed and the reason
    // returned.
    QString verify(const PackageInfo &expected, const QList<QByteArray> &publicKeys);

    // Removes the folder with whatever it holds, verified or not.
    void discard();

    QString packagePath() const { return packagePath_; }

private:
    QString checkPart(const PackageInfo &expected, const QList<QByteArray> &publicKeys);

    std::unique_ptr<QTemporaryDir> folder_;
    QFile partFile_;
    QString packagePath_;
};

// A file name safe on every platform, taken from the last part of an address.
QString packageFileName(const QString &urlFileName);

} // namespace updater
