#include "identity.h"

#include <QRegularExpression>

#include <cstring>

namespace identity {

QString versionText(const char (&bytes)[IMUserial::VERSION_SIZE])
{
    const auto component = [&](int i) { return static_cast<unsigned char>(bytes[i]); };
    return QString("%1.%2.%3").arg(component(0)).arg(component(1)).arg(component(2));
}

QString serialNumberText(const char (&bytes)[IMUserial::SN_SIZE])
{
    return QString::fromLatin1(bytes, static_cast<qsizetype>(strnlen(bytes, sizeof bytes)));
}

bool isValidSerialNumber(const QString &text)
{
    static const QRegularExpression pattern("^[A-Z0-9]{9}$");
    return pattern.match(text).hasMatch();
}

} // namespace identity
