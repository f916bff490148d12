// The controller and its transfers against a local HTTP server.
#include "testsupport.h"
#include "transfer.h"
#include "updatecontroller.h"

#include <QBuffer>
#include <QDirIterator>
#include <QFile>
#include <QNetworkAccessManager>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

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
        SystemHooks hooks;
        hooks.isProcessRunning = [this](qint64) { return applicationRunning_; };
        hooks.handOver = [this](const QString &path) {
            handedOver_.append(path);
            return QString();
        };
        return std::make_unique<UpdateController>(settingsFor(manifestPath), hooks);
    }

    // Starts a check of `manifestPath` and waits for its outcome.
    std::unique_ptr<UpdateController> checked(const QString &manifestPath)
    {
        auto controller = controllerFor(manifestPath);
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
        server_->writeFile("updates.json", manifestFor(version, package));
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
    server_->writeFile("malformed.json", "{\"applications\": {\"ORVIK-IMU\": ");
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

} // namespace
