// SPDX-License-Identifier: GPL-3.0-or-later
// The signature unit, the signed manifest built on it, and the release tool.
#include "manifest.h"
#include "signature.h"
#include "test_support.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace updater;

namespace {

TEST(UpdateSignature, VerifiesOnlyTheSignedBytesUnderAListedKey)
{
    const updatesig::KeyPair &oldKey = testReleaseKey();
    const updatesig::KeyPair &newKey = untrustedKey();
    const QByteArray message = "the package bytes";
    const QByteArray byOld = updatesig::signMessage(oldKey.secretKey, message).value();
    const QByteArray byNew = updatesig::signMessage(newKey.secretKey, message).value();
    EXPECT_EQ(updatesig::publicKeyOf(oldKey.secretKey), oldKey.publicKey);

    const QList<QByteArray> rotating = {oldKey.publicKey, newKey.publicKey};
    EXPECT_EQ(updatesig::verifySignature(rotating, message, byOld), 0);
    EXPECT_EQ(updatesig::verifySignature(rotating, message, byNew), 1);
    EXPECT_FALSE(updatesig::verifySignature({newKey.publicKey}, message, byOld));
    EXPECT_FALSE(updatesig::verifySignature({}, message, byOld));

    QByteArray changedMessage = message;
    changedMessage[0] = 'T';
    EXPECT_FALSE(updatesig::verifySignature(rotating, changedMessage, byOld));
    EXPECT_FALSE(updatesig::verifySignature(rotating, message + ' ', byOld));
    for (const qsizetype position : {qsizetype(0), qsizetype(31), qsizetype(63)}) {
        QByteArray flipped = byOld;
        flipped[position] = char(flipped[position] ^ 0x01);
        EXPECT_FALSE(updatesig::verifySignature(rotating, message, flipped)) << position;
    }
    EXPECT_FALSE(updatesig::verifySignature(rotating, message, byOld.left(63)));
    EXPECT_FALSE(updatesig::verifySignature({oldKey.publicKey.left(31)}, message, byOld));
}

TEST(UpdateSignature, AcceptsOnlyCanonicalBase64OfTheExactLength)
{
    const QByteArray key = testReleaseKey().publicKey;
    const QByteArray text = key.toBase64();
    EXPECT_EQ(updatesig::decodeBase64Exactly(text, updatesig::kPublicKeyBytes), key);
    QByteArray otherTrailingBits = text;
    otherTrailingBits[42] = char(otherTrailingBits[42] ^ 0x01); // decodes to the same bytes
    for (const QByteArray &bad :
         {text.chopped(1), text + '=', ' ' + text, text + '\n', QByteArray(text).replace(5, 1, "*"),
          otherTrailingBits, key.left(31).toBase64(), QByteArray()})
        EXPECT_FALSE(updatesig::decodeBase64Exactly(bad, updatesig::kPublicKeyBytes))
            << bad.toStdString();
}

TEST(UpdateSignature, ReadsASignatureFileOfOneLineOnly)
{
    const QByteArray signature = updatesig::signMessage(testReleaseKey().secretKey, "x").value();
    const QByteArray text = signature.toBase64();
    EXPECT_EQ(updatesig::parseSignatureFile(updatesig::formatSignatureFile(signature)), signature);
    EXPECT_EQ(updatesig::parseSignatureFile(text), signature);
    EXPECT_EQ(updatesig::parseSignatureFile(text + "\r\n"), signature);
    for (const QByteArray &bad :
         {text + "\n\n", "\n" + text, text + " \n", text + '\n' + text, QByteArray("\n"),
          QByteArray(), text + QByteArray(updatesig::kMaxSignatureFileBytes, '\n')})
        EXPECT_FALSE(updatesig::parseSignatureFile(bad)) << bad.toStdString();
}

TEST(UpdateSignature, DevelopmentTestKeyFilesAreOnePair)
{
    QFile secret(ORVIK_UPDATER_DEVELOPMENT_SECRET_KEY);
    QFile pub(ORVIK_UPDATER_DEVELOPMENT_SECRET_KEY ".pub");
    ASSERT_TRUE(secret.open(QIODevice::ReadOnly) && pub.open(QIODevice::ReadOnly));
    const auto secretKey =
        updatesig::decodeBase64Exactly(secret.readAll().trimmed(), updatesig::kSecretKeyBytes);
    ASSERT_TRUE(secretKey);
    EXPECT_EQ(updatesig::publicKeyOf(*secretKey)->toBase64(), pub.readAll().trimmed());
}

class SignedManifest : public ::testing::Test
{
protected:
    ManifestResult parse(const QByteArray &document, const QByteArray &signatureFile,
                         const QString &application = "ORVIK-IMU") const
    {
        return parseSignedManifest(document, signatureFile, {testReleaseKey().publicKey},
                                   application, "test-platform",
                                   QUrl("https://updates.example/updates.json"));
    }

    QByteArray signatureOf(const QByteArray &document,
                           const updatesig::KeyPair &key = testReleaseKey()) const
    {
        return updatesig::formatSignatureFile(
            updatesig::signMessage(key.secretKey, document).value());
    }

    const QByteArray document_ =
        manifestFor("0.4", describePackage("https://updates.example/setup.exe", "installer"));
};

TEST_F(SignedManifest, ReadsADocumentSignedWithATrustedKey)
{
    const ManifestResult result = parse(document_, signatureOf(document_));
    ASSERT_TRUE(result.release) << result.error.toStdString();
    EXPECT_EQ(result.release->versionText, "0.4");
    EXPECT_TRUE(result.release->package);
}

TEST_F(SignedManifest, RefusesEverySignatureThatDoesNotCoverTheDocument)
{
    QByteArray changed = document_;
    changed[changed.indexOf("0.4") + 2] = '5';
    const QByteArray otherApplication = QByteArray(document_).replace("ORVIK-IMU", "OTHER-APP");
    const struct
    {
        const char *what;
        QByteArray document;
        QByteArray signatureFile;
    } cases[] = {
        {"changed byte", changed, signatureOf(document_)},
        {"unknown key", document_, signatureOf(document_, untrustedKey())},
        {"no signature", document_, {}},
        {"another document's signature", document_, signatureOf(otherApplication)},
    };
    for (const auto &c : cases) {
        const ManifestResult result = parse(c.document, c.signatureFile);
        EXPECT_FALSE(result.release) << c.what;
        EXPECT_TRUE(result.error.contains("nothing is offered")) << c.what;
    }
    // Validly signed, but for another application: no offer for this one.
    const ManifestResult result = parse(otherApplication, signatureOf(otherApplication));
    EXPECT_FALSE(result.release);
    EXPECT_TRUE(result.error.contains("no entry for ORVIK-IMU")) << result.error.toStdString();
}

// The release tool, run as a release manager runs it.
class UpdateSignProgram : public ::testing::Test
{
protected:
    int run(const QStringList &arguments, QByteArray *output = nullptr)
    {
        QProcess program;
        program.start(ORVIK_UPDATE_SIGN_PROGRAM, arguments);
        if (!program.waitForFinished(30000)) {
            program.kill();
            program.waitForFinished();
            return -1;
        }
        if (output)
            *output = program.readAllStandardOutput();
        return program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -2;
    }

    QByteArray readFile(const QString &name) const
    {
        QFile file(folder_.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    void writeFile(const QString &name, const QByteArray &content) const
    {
        QFile file(folder_.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    QTemporaryDir folder_;
};

TEST_F(UpdateSignProgram, MakesAPrivateKeyAndSignsWhatTheUpdaterAccepts)
{
    const QString secretPath = folder_.filePath("release.key");
    QByteArray printed;
    ASSERT_EQ(run({"keygen", secretPath}, &printed), 0);
    // Mode 0600: the owner reads and writes, group and others nothing.
    const QFile::Permissions modeBits = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                        QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                        QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    EXPECT_EQ(QFileInfo(secretPath).permissions() & modeBits, QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(readFile("release.key.pub"), printed);
    const auto publicKey =
        updatesig::decodeBase64Exactly(printed.trimmed(), updatesig::kPublicKeyBytes);
    ASSERT_TRUE(publicKey);
    EXPECT_EQ(run({"keygen", secretPath}), 1) << "an existing key must not be overwritten";

    const QByteArray package(70000, 'p');
    writeFile("setup.exe", package);
    ASSERT_EQ(run({"sign", "--key", secretPath, folder_.filePath("setup.exe")}, &printed), 0);
    const auto packageSignature = updatesig::parseSignatureFile(printed);
    ASSERT_TRUE(packageSignature);
    EXPECT_EQ(updatesig::verifySignature({*publicKey}, package, *packageSignature), 0);

    const QByteArray manifest = "{\"applications\": {}}\n";
    writeFile("updates.json", manifest);
    ASSERT_EQ(run({"manifest", "--key", secretPath, folder_.filePath("updates.json")}), 0);
    const auto manifestSignature = updatesig::parseSignatureFile(readFile("updates.json.sig"));
    ASSERT_TRUE(manifestSignature);
    EXPECT_EQ(updatesig::verifySignature({*publicKey}, manifest, *manifestSignature), 0);
}

TEST_F(UpdateSignProgram, RefusesMissingKeysFilesAndArguments)
{
    writeFile("not-a-key", "hello\n");
    writeFile("file", "x");
    EXPECT_EQ(run({"sign", "--key", folder_.filePath("not-a-key"), folder_.filePath("file")}), 1);
    EXPECT_EQ(run({"sign", "--key", folder_.filePath("absent"), folder_.filePath("file")}), 1);
    EXPECT_EQ(run({"sign", folder_.filePath("file")}), 2);
    EXPECT_EQ(run({}), 2);
    EXPECT_FALSE(QFile::exists(folder_.filePath("file.sig")));
}

} // namespace
