// SPDX-License-Identifier: GPL-3.0-or-later
// What the Application Info box says: this program's version, the Qt it runs
// on and how it was built.
#pragma once

#include <QString>

namespace views {

struct BuildInfo
{
    QString version;
    QString qtVersion;
    QString compiler;
    QString buildType;
    QString buildDate;
};

// This build, with the Qt version found at run time.
BuildInfo currentBuild();

QString applicationInfoText(const BuildInfo &build);

} // namespace views
