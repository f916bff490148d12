// SPDX-License-Identifier: GPL-3.0-or-later
#include "programs/programs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class ScopedPath
{
public:
    explicit ScopedPath(const QString &dir) : saved(qgetenv("PATH"))
    {
        qputenv("PATH", dir.toLocal8Bit());
    }
    ~ScopedPath() { qputenv("PATH", saved); }

private:
    QByteArray saved;
};

void writeExecutable(const QString &path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\nexit 0\n");
    file.close();
    file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
}

} // namespace

TEST(UpdaterArguments, SixArgumentsWithTheDirectoryQuotedAsOne)
{
    const QStringList args =
        programs::updaterArguments(4242, programs::updateManifestUrl("updates.example"),
                                   "ORVIK-IMU", "0.3", "/opt/my tools/ORVIK IMU", false);
    EXPECT_EQ(args, (QStringList{"4242", "https://updates.example:443/ORVIK_IMU/updates.json",
                                 "ORVIK-IMU", "0.3", "\"/opt/my tools/ORVIK IMU\"", "hide"}));
    EXPECT_EQ(programs::updaterArguments(1, "u", "a", "v", "d", true).last(), "show");
}

TEST(ProgramLookup, FindsProgramsOnTheSearchPathAndFallsBackToTheBareName)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString name = programs::executableName("orvik-test-tool");
    {
        ScopedPath path(dir.path());
        EXPECT_EQ(programs::locate("orvik-test-tool"), name);
        writeExecutable(dir.filePath(name));
        EXPECT_EQ(programs::locate("orvik-test-tool"), dir.filePath(name));
    }
#ifdef Q_OS_WIN
    EXPECT_EQ(name, "orvik-test-tool.exe");
#else
    EXPECT_EQ(name, "orvik-test-tool");
#endif
}
