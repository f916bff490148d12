// SPDX-License-Identifier: GPL-3.0-or-later
#include "signature.h"

#include <openssl/evp.h>

#include <memory>

namespace updatesig {

namespace {

struct KeyDeleter
{
    void operator()(EVP_PKEY *key) const { EVP_PKEY_free(key); }
};
struct ContextDeleter
{
    void operator()(EVP_MD_CTX *context) const { EVP_MD_CTX_free(context); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyDeleter>;
using Context = std::unique_ptr<EVP_MD_CTX, ContextDeleter>;

const unsigned char *bytesOf(const QByteArray &data)
{
    return reinterpret_cast<const unsigned char *>(data.constData());
}

Key publicKeyFrom(const QByteArray &raw)
{
    if (raw.size() != kPublicKeyBytes)
        return nullptr;
    return Key(EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr, bytesOf(raw), raw.size()));
}

Key secretKeyFrom(const QByteArray &raw)
{
    if (raw.size() != kSecretKeyBytes)
        return nullptr;
    return Key(EVP_PKEY_new_raw_private_key(EVP_PKEY_ED25519, nullptr, bytesOf(raw), raw.size()));
}

bool isSignedBy(const Key &key, const QByteArray &message, const QByteArray &signature)
{
    const Context context(EVP_MD_CTX_new());
    return key && context &&
           EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, key.get()) == 1 &&
           EVP_DigestVerify(context.get(), bytesOf(signature), size_t(signature.size()),
                            bytesOf(message), size_t(message.size())) == 1;
}

// Ed25519 keys are a fixed number of raw bytes; the library writes them into
// a buffer of that size.
std::optional<QByteArray> rawKey(const Key &key, qsizetype size,
                                 int (*read)(const EVP_PKEY *, unsigned char *, size_t *))
{
    QByteArray raw(size, Qt::Uninitialized);
    size_t length = size_t(size);
    if (!key || read(key.get(), reinterpret_cast<unsigned char *>(raw.data()), &length) != 1 ||
        length != size_t(size))
        return std::nullopt;
    return raw;
}

} // namespace

std::optional<QByteArray> decodeBase64Exactly(const QByteArray &text, qsizetype expectedBytes)
{
    const auto decoded =
        QByteArray::fromBase64Encoding(text, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.size() != expectedBytes || decoded.decoded.toBase64() != text)
        return std::nullopt;
    return *decoded;
}

std::optional<QByteArray> parseSignatureFile(const QByteArray &fileBytes)
{
    if (fileBytes.size() > kMaxSignatureFileBytes)
        return std::nullopt;
    QByteArray text = fileBytes;
    if (text.endsWith("\r\n"))
        text.chop(2);
    else if (text.endsWith('\n'))
        text.chop(1);
    return decodeBase64Exactly(text, kSignatureBytes);
}

QByteArray formatSignatureFile(const QByteArray &signature)
{
    return signature.toBase64() + '\n';
}

std::optional<qsizetype> verifySignature(const QList<QByteArray> &publicKeys,
                                         const QByteArray &message, const QByteArray &signature)
{
    if (signature.size() != kSignatureBytes)
        return std::nullopt;
    for (qsizetype i = 0; i < publicKeys.size(); ++i)
        if (isSignedBy(publicKeyFrom(publicKeys[i]), message, signature))
            return i;
    return std::nullopt;
}

std::optional<KeyPair> generateKeyPair()
{
    const Key key(EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519"));
    const auto secretKey = rawKey(key, kSecretKeyBytes, EVP_PKEY_get_raw_private_key);
    const auto publicKey = rawKey(key, kPublicKeyBytes, EVP_PKEY_get_raw_public_key);
    if (!secretKey || !publicKey)
        return std::nullopt;
    return KeyPair{*secretKey, *publicKey};
}

std::optional<QByteArray> signMessage(const QByteArray &secretKey, const QByteArray &message)
{
    const Key key = secretKeyFrom(secretKey);
    const Context context(EVP_MD_CTX_new());
    QByteArray signature(kSignatureBytes, Qt::Uninitialized);
    size_t length = size_t(signature.size());
    if (!key || !context ||
        EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1 ||
        EVP_DigestSign(context.get(), reinterpret_cast<unsigned char *>(signature.data()), &length,
                       bytesOf(message), size_t(message.size())) != 1 ||
        length != size_t(kSignatureBytes))
        return std::nullopt;
    return signature;
}

std::optional<QByteArray> publicKeyOf(const QByteArray &secretKey)
{
    return rawKey(secretKeyFrom(secretKey), kPublicKeyBytes, EVP_PKEY_get_raw_public_key);
}

} // namespace updatesig
