// SPDX-License-Identifier: GPL-3.0-or-later
#include "transport_policy.h"

#include <QCoreApplication>
#include <QHostAddress>

namespace updater {

namespace {

constexpr int kHttpsPort = 443;

QString tr(const char *text)
{
    return QCoreApplication::translate("TransportPolicy", text);
}

bool isHttp(const QUrl &url)
{
    return url.scheme() == QLatin1String("http");
}

bool isHttps(const QUrl &url)
{
    return url.scheme() == QLatin1String("https");
}

} // namespace

bool isLoopbackHost(const QString &host)
{
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

FetchAddress checkFetchAddress(const QUrl &url)
{
    if (!url.isValid() || url.host().isEmpty())
        return {{}, tr("\"%1\" is not a valid web address.").arg(url.toString())};
    if (isHttps(url) || (isHttp(url) && isLoopbackHost(url.host())))
        return {url, {}};
    if (isHttp(url) && url.port() == kHttpsPort) {
        QUrl secure = url;
        secure.setScheme(QStringLiteral("https"));
        return {secure, {}};
    }
    if (isHttp(url))
        return {{},
                tr("Plain HTTP is refused for \"%1\"; updates are fetched over HTTPS.")
                    .arg(url.toString())};
    return {{}, tr("\"%1\" is not an HTTPS address.").arg(url.toString())};
}

QString checkRedirect(const QUrl &from, const QUrl &to)
{
    if (isHttps(from) && !isHttps(to))
        return tr("The server redirected from HTTPS to the insecure address \"%1\".")
            .arg(to.toString());
    if (!to.isValid() || to.host().isEmpty())
        return tr("The server redirected to an invalid address.");
    if (isHttps(to) || (isHttp(to) && isLoopbackHost(to.host())))
        return {};
    return tr("The server redirected to the refused address \"%1\".").arg(to.toString());
}

} // namespace updater
