#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <memory>

// Where one package download lands: a private folder of its own, the body in
// "<name>.part", and only a body whose size and SHA-256 match gets the real
// name. The folder is removed when the object goes away, unless the package
// was verified.
class PackageDownload
{
public:
    // Returns an error, or "" once the part file is open for writing.
    QString open(const QString &parentFolder, const QString &fileName);
    QIODevice *sink() { return &partFile_; }

    // Closes the part file and checks it. On success the package is renamed to
    // its real name and kept; on failure the folder is removed and the reason
    // returned.
    QString verify(qint64 expectedSize, const QByteArray &expectedSha256);

    // Removes the folder with whatever it holds, verified or not.
    void discard();

    QString packagePath() const { return packagePath_; }

private:
    QString checkPart(qint64 expectedSize, const QByteArray &expectedSha256);

    std::unique_ptr<QTemporaryDir> folder_;
    QFile partFile_;
    QString packagePath_;
};

// A file name safe on every platform, taken from the last part of an address.
QString packageFileName(const QString &urlFileName);
