// SPDX-License-Identifier: GPL-3.0-or-later
#include "identity/identity.h"

#include <QRegularExpression>

#include <algorithm>
#include <iterator>

namespace identity {

QString versionText(const char (&bytes)[IMUserial::VERSION_SIZE])
{
    const auto component = [&](int i) { return static_cast<unsigned char>(bytes[i]); };
    return QString("%1.%2.%3").arg(component(0)).arg(component(1)).arg(component(2));
}

QString serialNumberText(const char (&bytes)[IMUserial::SN_SIZE])
{
    const char *end = std::find_if(std::begin(bytes), std::end(bytes), [](char byte) {
        return byte == '\0' || static_cast<unsigned char>(byte) == 0xFF;
    });
    return QString::fromLatin1(bytes, end - bytes);
}

bool isValidSerialNumber(const QString &text)
{
    static const QRegularExpression pattern("^[A-Z0-9]{9}$");
    return pattern.match(text).hasMatch();
}

} // namespace identity
