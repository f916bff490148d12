// SPDX-License-Identifier: GPL-3.0-or-later
// The controller and its transfers against a local HTTP server.
#include "test_support.h"
#include "transfer.h"
#include "update_controller.h"

#include <QBuffer>
#include <QDirIterator>
#include <QFile>
#include <QNetworkAccessManager>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

using namespace updater;

namespace {

QByteArray packageBytes()
{
    QByteArray bytes(300 * 1024, Qt::Uninitialized);
    QRandomGenerator generator(8);
    for (char &byte : bytes)
        byte = char(generator.generate());
    return bytes;
}

class UpdaterNetworkTest : public LocalServerTest
{
protected:
    std::unique_ptr<UpdateController> controllerFor(const QString &manifestPath)
    {
        return controllerFor(settingsFor(manifestPath));
    }

    std::unique_ptr<UpdateController> controllerFor(const UpdaterSettings &settings)
    {
        SystemHooks hooks;
        hooks.isProcessRunning = [this](qint64) { return applicationRunning_; };
        hooks.handOver = [this](const QString &path) {
            handedOver_.append(path);
            return QString();
        };
        return std::make_unique<UpdateController>(settings, hooks);
    }

    // Starts a check of `manifestPath` and waits for its outcome.
    std::unique_ptr<UpdateController> checked(const QString &manifestPath)
    {
        return checked(settingsFor(manifestPath));
    }

    std::unique_ptr<UpdateController> checked(const UpdaterSettings &settings)
    {
        auto controller = controllerFor(settings);
        controller->start();
        EXPECT_TRUE(waitUntil([&] { return controller->state() != UpdateState::Checking; }));
        return controller;
    }

    void publishPackage(const QByteArray &content, const QString &version = "0.4")
    {
        server_->writeFile("files/setup.exe", content);
        publishManifest(version, describePackage("files/setup.exe", content));
    }

    void publishManifest(const QString &version, const PublishedPackage &package)
    {
        server_->writeSignedManifest("updates.json", manifestFor(version, package),
                                     testReleaseKey().secretKey);
    }

    // Downloads the offered package and waits for the outcome.
    void download(UpdateController *controller)
    {
        ASSERT_EQ(controller->state(), UpdateState::UpdateAvailable)
            << controller->errorText().toStdString();
        controller->download();
        ASSERT_TRUE(waitUntil([&] { return controller->state() != UpdateState::Downloading; }));
    }

    // One transfer of `path` outside any controller.
    TransferResult fetch(const QString &path, int idleTimeoutMs)
    {
        QNetworkAccessManager network;
        Transfer transfer(&network);
        QBuffer sink;
        sink.open(QIODevice::WriteOnly);
        std::optional<TransferResult> result;
        QObject::connect(&transfer, &Transfer::finished,
                         [&](const TransferResult &finished) { result = finished; });
        transfer.start(server_->url(path), &sink, {kMaxManifestBytes, idleTimeoutMs});
        EXPECT_TRUE(waitUntil([&] { return result.has_value(); }));
        return result.value_or(TransferResult{});
    }

    // Everything left in the download folder, sub-folders included.
    QStringList downloadedFiles() const
    {
        QStringList files;
        QDirIterator it(downloads_.path(), QDir::AllEntries | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next();
        return files;
    }

    bool applicationRunning_ = false;
    QStringList handedOver_;
};

TEST_F(UpdaterNetworkTest, OffersOnlyANewerVersion)
{
    const struct
    {
        const char *published;
        UpdateState expected;
    } cases[] = {{"0.4", UpdateState::UpdateAvailable},
                 {"0.10", UpdateState::UpdateAvailable},
                 {"0.3", UpdateState::UpToDate},
                 {"0.3.0", UpdateState::UpToDate},
                 {"0.2", UpdateState::UpToDate}};
    for (const auto &c : cases) {
        publishPackage("installer", c.published);
        const auto controller = checked("updates.json");
        EXPECT_EQ(controller->state(), c.expected)
            << c.published << ": " << controller->errorText().toStdString();
    }
}

TEST_F(UpdaterNetworkTest, FollowsAFewRedirectsButNotEndlessOnes)
{
    publishPackage("installer");
    const auto redirected = checked("redirect/3/updates.json");
    EXPECT_EQ(redirected->state(), UpdateState::UpdateAvailable)
        << redirected->errorText().toStdString();
    EXPECT_EQ(fetch("redirect/4/updates.json", 1000).status, TransferResult::Status::Refused);
    EXPECT_EQ(fetch("away", 1000).status, TransferResult::Status::Refused);
}

TEST_F(UpdaterNetworkTest, ReportsMissingMalformedAndOversizedManifestsAsFailures)
{
    // Signed, so that it is the document itself that is refused.
    server_->writeSignedManifest("malformed.json",
                                 "{\"applications\": {\"ORVIK-IMU\": ", testReleaseKey().secretKey);
    QByteArray oversized = manifestFor("0.4", describePackage("setup.exe", "x"));
    oversized.append(QByteArray(kMaxManifestBytes, ' '));
    server_->writeFile("oversized.json", oversized);

    for (const char *path : {"missing.json", "malformed.json", "oversized.json", "endless/200"}) {
        const auto controller = checked(path);
        EXPECT_EQ(controller->state(), UpdateState::Failed) << path;
        EXPECT_FALSE(controller->errorText().isEmpty()) << path;
    }
}

TEST_F(UpdaterNetworkTest, StopsBodiesPastTheLimitAndServersThatStaySilent)
{
    server_->writeFile("updates.json", "{}");
    server_->writeFile("oversized.json", QByteArray(kMaxManifestBytes + 1, ' '));
    EXPECT_EQ(fetch("updates.json", 1000).status, TransferResult::Status::Ok);
    EXPECT_EQ(fetch("oversized.json", 1000).status, TransferResult::Status::TooLarge);
    EXPECT_EQ(fetch("endless/200", 1000).status, TransferResult::Status::TooLarge);
    EXPECT_EQ(fetch("slow/updates.json", 100).status, TransferResult::Status::TimedOut);
}

TEST_F(UpdaterNetworkTest, HandsOverAVerifiedDownloadOnlyAfterTheApplicationExited)
{
    const QByteArray content = packageBytes();
    publishPackage(content);
    applicationRunning_ = true;
    const auto controller = checked("updates.json");
    ASSERT_EQ(controller->state(), UpdateState::UpdateAvailable);

    controller->download();
    ASSERT_TRUE(waitUntil([&] { return controller->state() != UpdateState::Downloading; }));
    ASSERT_EQ(controller->state(), UpdateState::WaitingForExit)
        << controller->errorText().toStdString();
    EXPECT_TRUE(downloadedFiles().contains(controller->packagePath()));
    EXPECT_FALSE(QFile::exists(controller->packagePath() + ".part"));
    EXPECT_TRUE(controller->packagePath().endsWith("/setup.exe"));
    EXPECT_TRUE(handedOver_.isEmpty());

    applicationRunning_ = false;
    ASSERT_TRUE(waitUntil([&] { return controller->state() == UpdateState::HandedOver; }));
    EXPECT_EQ(handedOver_, QStringList{controller->packagePath()});
    QFile package(controller->packagePath());
    ASSERT_TRUE(package.open(QIODevice::ReadOnly));
    EXPECT_EQ(package.readAll(), content);
}

TEST_F(UpdaterNetworkTest, DeletesAMismatchingDownloadAndNeverHandsItOver)
{
    const QByteArray content = packageBytes();
    server_->writeFile("files/setup.exe", content);
    PublishedPackage wrongDigest = describePackage("files/setup.exe", content);
    wrongDigest.sha256Hex = describePackage("", "other").sha256Hex;
    PublishedPackage tooSmall = describePackage("files/setup.exe", content);
    tooSmall.size -= 1;
    PublishedPackage tooLarge = describePackage("files/setup.exe", content);
    tooLarge.size += 1;
    PublishedPackage silent = describePackage("stall/files/setup.exe", content);

    for (const PublishedPackage &published : {wrongDigest, tooSmall, tooLarge, silent}) {
        publishManifest("0.4", published);
        const auto controller = checked("updates.json");
        ASSERT_EQ(controller->state(), UpdateState::UpdateAvailable);
        controller->download();
        ASSERT_TRUE(waitUntil([&] { return controller->state() != UpdateState::Downloading; }));
        EXPECT_EQ(controller->state(), UpdateState::Failed) << published.url.toStdString();
        EXPECT_TRUE(downloadedFiles().isEmpty()) << downloadedFiles().join(' ').toStdString();
    }
    EXPECT_TRUE(handedOver_.isEmpty());
}

TEST_F(UpdaterNetworkTest, CancellingADownloadDeletesItAndOffersItAgain)
{
    publishManifest("0.4", describePackage("stall/files/setup.exe", packageBytes()));
    server_->writeFile("files/setup.exe", packageBytes());
    const auto controller = checked("updates.json");
    qint64 received = 0;
    QObject::connect(controller.get(), &UpdateController::downloadProgress,
                     [&](qint64 bytes, qint64) { received = bytes; });

    controller->download();
    ASSERT_TRUE(waitUntil([&] { return received > 0; }));
    EXPECT_FALSE(downloadedFiles().isEmpty());
    controller->cancel();
    EXPECT_EQ(controller->state(), UpdateState::UpdateAvailable);
    EXPECT_TRUE(downloadedFiles().isEmpty());
    EXPECT_TRUE(handedOver_.isEmpty());
}

// Signatures: only bytes that passed through a trusted release key are offered
// or kept.

TEST_F(UpdaterNetworkTest, RefusesAManifestWhoseSignatureDoesNotHold)
{
    const PublishedPackage package = describePackage("files/setup.exe", packageBytes());
    const QByteArray document = manifestFor("0.4", package);
    QByteArray changed = document;
    changed[changed.indexOf("Faster")] = 'f';
    const QByteArray signature = updatesig::formatSignatureFile(
        updatesig::signMessage(testReleaseKey().secretKey, document).value());
    const struct
    {
        const char *what;
        QByteArray manifest;
        QByteArray signatureFile; // empty: no .sig at all
    } cases[] = {
        {"one byte changed", changed, signature},
        {"unknown key", document,
         updatesig::formatSignatureFile(
             updatesig::signMessage(untrustedKey().secretKey, document).value())},
        {"missing .sig", document, {}},
        {"oversized .sig", document,
         signature + QByteArray(updatesig::kMaxSignatureFileBytes, ' ')},
        {"garbled .sig", document, "not base64\n"},
    };
    int folder = 0;
    for (const auto &c : cases) {
        const QString manifestPath = QStringLiteral("case%1/updates.json").arg(++folder);
        server_->writeFile(manifestPath, c.manifest);
        if (!c.signatureFile.isEmpty())
            server_->writeFile(manifestPath + ".sig", c.signatureFile);
        const auto controller = checked(manifestPath);
        EXPECT_EQ(controller->state(), UpdateState::Failed) << c.what;
        EXPECT_FALSE(controller->release()) << c.what;
        EXPECT_TRUE(controller->errorText().contains("nothing is offered"))
            << c.what << ": " << controller->errorText().toStdString();
    }
    EXPECT_TRUE(downloadedFiles().isEmpty());
}

TEST_F(UpdaterNetworkTest, OffersNothingFromAValidlySignedEntryOfAnotherApplication)
{
    server_->writeFile("files/setup.exe", "installer");
    UpdaterSettings settings = settingsFor("updates.json");
    publishManifest("0.4", describePackage("files/setup.exe", "installer"));
    settings.applicationName = "OTHER-APP";
    const auto controller = checked(settings);
    EXPECT_EQ(controller->state(), UpdateState::Failed);
    EXPECT_FALSE(controller->release());
    EXPECT_TRUE(controller->errorText().contains("no entry for OTHER-APP"))
        << controller->errorText().toStdString();
}

TEST_F(UpdaterNetworkTest, DeletesADownloadWhoseSignatureDoesNotHold)
{
    const QByteArray original = packageBytes();
    QByteArray changed = original;
    changed[changed.size() / 2] = char(changed[changed.size() / 2] ^ 1);
    // The changed package with a matching checksum, but the original's signature.
    PublishedPackage oneByteChanged = describePackage("files/setup.exe", changed);
    oneByteChanged.signatureBase64 = describePackage("", original).signatureBase64;
    const PublishedPackage unknownKey =
        describePackage("files/setup.exe", changed, untrustedKey().secretKey);

    server_->writeFile("files/setup.exe", changed);
    for (const PublishedPackage &published : {oneByteChanged, unknownKey}) {
        publishManifest("0.4", published);
        const auto controller = checked("updates.json");
        download(controller.get());
        EXPECT_EQ(controller->state(), UpdateState::Failed);
        EXPECT_EQ(controller->errorText(),
                  "The download is not signed with a key this updater trusts. "
                  "The download was deleted.");
        EXPECT_TRUE(downloadedFiles().isEmpty()) << downloadedFiles().join(' ').toStdString();
    }
    EXPECT_TRUE(handedOver_.isEmpty());
}

TEST_F(UpdaterNetworkTest, AcceptsEveryListedKeyDuringARotation)
{
    const updatesig::KeyPair &oldKey = testReleaseKey();
    const updatesig::KeyPair &newKey = untrustedKey();
    const QByteArray content = packageBytes();
    server_->writeFile("files/setup.exe", content);
    const QByteArray document =
        manifestFor("0.4", describePackage("files/setup.exe", content, newKey.secretKey));
    server_->writeSignedManifest("updates.json", document, oldKey.secretKey);

    UpdaterSettings settings = settingsFor("updates.json");
    settings.publicKeys = {oldKey.publicKey, newKey.publicKey};
    const auto both = checked(settings);
    download(both.get());
    EXPECT_EQ(both->state(), UpdateState::HandedOver) << both->errorText().toStdString();

    // Once the old key is retired, what only it signed is refused.
    settings.publicKeys = {newKey.publicKey};
    EXPECT_EQ(checked(settings)->state(), UpdateState::Failed);
    server_->writeSignedManifest("updates.json", document, newKey.secretKey);
    const auto retired = checked(settings);
    download(retired.get());
    EXPECT_EQ(retired->state(), UpdateState::HandedOver) << retired->errorText().toStdString();
}

TEST_F(UpdaterNetworkTest, ABuildWithoutKeysRefusesEveryUpdateAndSaysSo)
{
    publishPackage("installer");
    UpdaterSettings settings = settingsFor("updates.json");
    settings.publicKeys.clear();
    const auto controller = checked(settings);
    EXPECT_EQ(controller->state(), UpdateState::Failed);
    EXPECT_FALSE(controller->release());
    EXPECT_TRUE(controller->errorText().contains("no update key"))
        << controller->errorText().toStdString();
}

} // namespace
