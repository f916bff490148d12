// SPDX-License-Identifier: GPL-3.0-or-later
// update-sign: makes an update key pair and signs update packages and
// manifests with its secret key. See docs/update-manifest.md for the steps of
// a release.
#include "signature.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QStringList>

#include <cstdio>
#include <optional>

namespace {

enum class ExitCode : int
{
    Ok = 0,
    Failed = 1,
    Usage = 2,
};

// A key file holds one line of base64; a longer file is not one.
constexpr qint64 kMaxKeyFileBytes = 256;

const char kUsage[] = "usage: update-sign keygen SECRET_KEY_FILE\n"
                      "       update-sign sign --key SECRET_KEY_FILE FILE\n"
                      "       update-sign manifest --key SECRET_KEY_FILE MANIFEST.json\n";

ExitCode failWith(const QString &message)
{
    std::fprintf(stderr, "update-sign: %s\n", qUtf8Printable(message));
    return ExitCode::Failed;
}

bool writeNewFile(const QString &path, const QByteArray &content, QFileDevice::Permissions mode,
                  QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly, mode) ||
        file.write(content) != content.size() || !file.flush()) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

bool replaceFile(const QString &path, const QByteArray &content, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() ||
        !file.commit()) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

// The secret key is created readable by its owner only, and never over an
// existing file, so an old key cannot be lost by a slip of the hand.
ExitCode keygen(const QString &secretPath)
{
    const std::optional<updatesig::KeyPair> pair = updatesig::generateKeyPair();
    if (!pair)
        return failWith(QStringLiteral("the key pair could not be generated"));
    const QByteArray publicText = pair->publicKey.toBase64() + '\n';
    QString error;
    if (!writeNewFile(secretPath, pair->secretKey.toBase64() + '\n',
                      QFileDevice::ReadOwner | QFileDevice::WriteOwner, &error) ||
        !replaceFile(secretPath + QStringLiteral(".pub"), publicText, &error))
        return failWith(error);
    std::fputs(publicText.constData(), stdout);
    return ExitCode::Ok;
}

std::optional<QByteArray> readSecretKey(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    const auto key = updatesig::decodeBase64Exactly(file.read(kMaxKeyFileBytes).trimmed(),
                                                    updatesig::kSecretKeyBytes);
    if (!key)
        *error =
            QStringLiteral("%1 does not hold a secret key made by update-sign keygen").arg(path);
    return key;
}

// Signs the whole of `path`, mapped rather than read so that large packages
// need no copy in memory.
std::optional<QByteArray> signFile(const QByteArray &secretKey, const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    const qint64 size = file.size();
    const uchar *bytes = size > 0 ? file.map(0, size) : nullptr;
    if (size > 0 && !bytes) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    const auto signature = updatesig::signMessage(
        secretKey, QByteArray::fromRawData(reinterpret_cast<const char *>(bytes), size));
    if (!signature)
        *error = QStringLiteral("%1 could not be signed").arg(path);
    return signature;
}

ExitCode sign(const QString &command, const QString &secretPath, const QString &path)
{
    QString error;
    const auto secretKey = readSecretKey(secretPath, &error);
    const auto signature = secretKey ? signFile(*secretKey, path, &error) : std::nullopt;
    if (!signature)
        return failWith(error);
    if (command == QLatin1String("sign")) {
        std::fputs(updatesig::formatSignatureFile(*signature).constData(), stdout);
        return ExitCode::Ok;
    }
    if (!replaceFile(path + QStringLiteral(".sig"), updatesig::formatSignatureFile(*signature),
                     &error))
        return failWith(error);
    return ExitCode::Ok;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    const QString command = arguments.value(0);
    if (command == QLatin1String("keygen") && arguments.size() == 2)
        return static_cast<int>(keygen(arguments[1]));
    if ((command == QLatin1String("sign") || command == QLatin1String("manifest")) &&
        arguments.size() == 4 && arguments[1] == QLatin1String("--key"))
        return static_cast<int>(sign(command, arguments[2], arguments[3]));
    std::fputs(kUsage, stderr);
    return static_cast<int>(ExitCode::Usage);
}
