// SPDX-License-Identifier: GPL-3.0-or-later
#include "outcome.h"

#include <QJsonDocument>

namespace cli {

QByteArray renderedText(const Outcome &outcome)
{
    if (outcome.message.isEmpty())
        return {};
    return outcome.message.toUtf8() + '\n';
}

QByteArray renderedJson(const Outcome &outcome)
{
    QJsonObject object = outcome.data;
    object["ok"] = outcome.ok();
    object["exit_code"] = int(outcome.code);
    object["message"] = outcome.message;
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

} // namespace cli
