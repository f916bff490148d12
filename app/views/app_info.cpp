// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/app_info.h"

#include <QtGlobal>

namespace views {
namespace {

QString compilerName()
{
#if defined(__clang__)
    return QStringLiteral("Clang " __clang_version__);
#elif defined(__GNUC__)
    return QStringLiteral("GCC " __VERSION__);
#elif defined(_MSC_VER)
    return QStringLiteral("MSVC %1").arg(_MSC_VER);
#else
    return QStringLiteral("unknown compiler");
#endif
}

} // namespace

BuildInfo currentBuild()
{
    return {QStringLiteral(ORVIK_VERSION), QString::fromLatin1(qVersion()), compilerName(),
            QStringLiteral(ORVIK_BUILD_TYPE), QStringLiteral(__DATE__ " " __TIME__)};
}

QString applicationInfoText(const BuildInfo &build)
{
    return QStringLiteral("Version %1\n"
                          "Qt %2\n"
                          "Compiler: %3\n"
                          "Build: %4, %5")
        .arg(build.version, build.qtVersion, build.compiler, build.buildType, build.buildDate);
}

} // namespace views
