// SPDX-License-Identifier: GPL-3.0-or-later
#include "version.h"

namespace updater {

namespace {

bool isAsciiDigits(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

QString withoutLeadingZeros(const QString &digits)
{
    qsizetype first = 0;
    while (first + 1 < digits.size() && digits.at(first) == QLatin1Char('0'))
        ++first;
    return digits.mid(first);
}

int compareComponents(const QString &a, const QString &b)
{
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return QString::compare(a, b);
}

} // namespace

std::optional<Version> parseVersion(const QString &text)
{
    Version version;
    for (const QString &part : text.split(QLatin1Char('.'))) {
        if (!isAsciiDigits(part))
            return std::nullopt;
        version.components.append(withoutLeadingZeros(part));
    }
    while (version.components.size() > 1 && version.components.last() == QLatin1String("0"))
        version.components.removeLast();
    return version;
}

int compareVersions(const Version &a, const Version &b)
{
    const qsizetype count = qMax(a.components.size(), b.components.size());
    const QString zero = QStringLiteral("0");
    for (qsizetype i = 0; i < count; ++i) {
        const int order =
            compareComponents(a.components.value(i, zero), b.components.value(i, zero));
        if (order != 0)
            return order < 0 ? -1 : 1;
    }
    return 0;
}

} // namespace updater
