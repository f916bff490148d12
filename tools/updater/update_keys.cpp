// SPDX-License-Identifier: GPL-3.0-or-later
#include "update_keys.h"

#include "signature.h"

namespace updater {

QList<QByteArray> builtInUpdateKeys()
{
    QList<QByteArray> keys;
    for (const QByteArray &text : QByteArray(ORVIK_UPDATE_PUBLIC_KEYS).split(','))
        if (const auto key = updatesig::decodeBase64Exactly(text, updatesig::kPublicKeyBytes))
            keys.append(*key);
    return keys;
}

} // namespace updater
