// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace updatesig {

// Ed25519 signatures of update manifests and packages: the only place that
// touches the cryptographic library. Keys and signatures are raw bytes here;
// their text form is strict, canonical base64.

constexpr qsizetype kPublicKeyBytes = 32;
constexpr qsizetype kSecretKeyBytes = 32; // the private seed
constexpr qsizetype kSignatureBytes = 64;
// A signature file holds one line of base64 text; anything longer is refused
// before it is looked at.
constexpr qsizetype kMaxSignatureFileBytes = 256;

struct KeyPair
{
    QByteArray secretKey;
    QByteArray publicKey;
};

// Decodes base64 text that must decode to exactly `expectedBytes` and be in
// its one canonical spelling (padding present, no other characters).
std::optional<QByteArray> decodeBase64Exactly(const QByteArray &text, qsizetype expectedBytes);

// The contents of a detached signature file: base64 of one signature, with at
// most one line ending after it.
std::optional<QByteArray> parseSignatureFile(const QByteArray &fileBytes);
QByteArray formatSignatureFile(const QByteArray &signature);

// The index in `publicKeys` of the key whose signature `signature` is over
// exactly `message`, or nothing when no listed key made it.
std::optional<qsizetype> verifySignature(const QList<QByteArray> &publicKeys,
                                         const QByteArray &message, const QByteArray &signature);

// For the release tool. Each returns nothing when the library fails.
std::optional<KeyPair> generateKeyPair();
std::optional<QByteArray> signMessage(const QByteArray &secretKey, const QByteArray &message);
std::optional<QByteArray> publicKeyOf(const QByteArray &secretKey);

} // namespace updatesig
