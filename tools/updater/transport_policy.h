// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QUrl>

namespace updater {

// Which addresses the updater may fetch. Everything goes over HTTPS with
// certificate checks; plain HTTP is allowed only to this computer (loopback),
// where nobody can listen in or tamper on the way.

bool isLoopbackHost(const QString &host);

struct FetchAddress
{
    QUrl url;      // the address to fetch; empty when refused
    QString error; // why the address is refused
};

// An http address on port 443 of another computer names an HTTPS server and is
// fetched as https; any other plain HTTP address off this computer is refused.
FetchAddress checkFetchAddress(const QUrl &url);

// Empty when a redirect from `from` to `to` may be followed, otherwise why not.
QString checkRedirect(const QUrl &from, const QUrl &to);

} // namespace updater
