// SPDX-License-Identifier: GPL-3.0-or-later
// What the user sees (or does not see) in each display mode, through the
// window class and through the real program.
#include "exit_code.h"
#include "test_support.h"
#include "update_controller.h"
#include "update_keys.h"
#include "updater_window.h"

#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

using namespace updater;

namespace {

class UpdaterWindowTest : public LocalServerTest
{
protected:
    void publish(const QString &version, const QByteArray &secretKey = testReleaseKey().secretKey)
    {
        server_->writeFile("files/setup.exe", "installer");
        server_->writeSignedManifest(
            "updates.json",
            manifestFor(version, describePackage("files/setup.exe", "installer", secretKey)),
            secretKey);
    }

    // Runs a check with the window attached; records whether it ever showed.
    void run(const QString &manifestPath, DisplayMode mode)
    {
        const UpdaterSettings settings = settingsFor(manifestPath);
        UpdaterArguments arguments;
        arguments.applicationName = settings.applicationName;
        arguments.versionText = "0.3";
        arguments.applicationDirectory = downloads_.path();
        arguments.displayMode = mode;
        window_.reset();
        controller_ = std::make_unique<UpdateController>(
            settings, SystemHooks{[](qint64) { return true; }, [](const QString &) { return ""; }});
        window_ = std::make_unique<UpdaterWindow>(controller_.get(), arguments);
        QObject::connect(window_.get(), &UpdaterWindow::finished,
                         [this](int exitCode) { exitCode_ = exitCode; });
        QObject::connect(controller_.get(), &UpdateController::stateChanged,
                         [this] { everVisible_ = everVisible_ || window_->isVisible(); });
        controller_->start();
        everVisible_ = everVisible_ || window_->isVisible();
        ASSERT_TRUE(waitUntil([&] { return controller_->state() != UpdateState::Checking; }));
    }

    QString statusText() const { return window_->findChild<QLabel *>()->text(); }

    std::unique_ptr<UpdateController> controller_;
    std::unique_ptr<UpdaterWindow> window_;
    std::optional<int> exitCode_;
    bool everVisible_ = false;
};

TEST_F(UpdaterWindowTest, HiddenCheckFinishesUnseenWhenUpToDateOrFailing)
{
    publish("0.3");
    run("updates.json", DisplayMode::Hide);
    EXPECT_FALSE(everVisible_);
    EXPECT_EQ(exitCode_, static_cast<int>(ExitCode::Ok));

    exitCode_.reset();
    run("missing.json", DisplayMode::Hide);
    EXPECT_FALSE(everVisible_);
    EXPECT_EQ(exitCode_, static_cast<int>(ExitCode::Failed));
}

TEST_F(UpdaterWindowTest, HiddenCheckShowsTheOfferOfANewerVersion)
{
    publish("0.4");
    run("updates.json", DisplayMode::Hide);
    EXPECT_TRUE(window_->isVisible());
    EXPECT_FALSE(exitCode_);
    EXPECT_TRUE(statusText().contains("0.4"));
    QPushButton *download = nullptr;
    for (QPushButton *button : window_->findChildren<QPushButton *>())
        if (button->text() == "Download")
            download = button;
    ASSERT_TRUE(download && download->isVisible());

    window_->close();
    EXPECT_EQ(exitCode_, static_cast<int>(ExitCode::Ok));
}

TEST_F(UpdaterWindowTest, ShownCheckIsVisibleFromTheStartAndExplainsAFailure)
{
    run("missing.json", DisplayMode::Show);
    EXPECT_TRUE(everVisible_);
    EXPECT_TRUE(window_->isVisible());
    EXPECT_EQ(statusText(), controller_->errorText());
    EXPECT_FALSE(exitCode_);

    window_->close();
    EXPECT_EQ(exitCode_, static_cast<int>(ExitCode::Failed));
}

TEST_F(UpdaterWindowTest, ShownCheckSaysWhyAnUnsignedManifestOffersNothing)
{
    publish("0.4", untrustedKey().secretKey);
    run("updates.json", DisplayMode::Show);
    EXPECT_EQ(controller_->state(), UpdateState::Failed);
    EXPECT_TRUE(statusText().contains("not signed with a key this updater trusts"))
        << statusText().toStdString();
    window_->close();
    EXPECT_EQ(exitCode_, static_cast<int>(ExitCode::Failed));
}

// The program itself, started as the application starts it, in "hide" mode.
// It trusts only the keys it was built with, so the manifest is signed with
// the development test key, and the test runs only in builds that trust it.
TEST_F(UpdaterWindowTest, ProgramExitsSilentlyInHideModeWithItsOutcome)
{
    QFile secretKeyFile(ORVIK_UPDATER_DEVELOPMENT_SECRET_KEY);
    ASSERT_TRUE(secretKeyFile.open(QIODevice::ReadOnly));
    const auto developmentKey = updatesig::decodeBase64Exactly(secretKeyFile.readAll().trimmed(),
                                                               updatesig::kSecretKeyBytes);
    ASSERT_TRUE(developmentKey);
    if (!builtInUpdateKeys().contains(updatesig::publicKeyOf(*developmentKey).value()))
        GTEST_SKIP() << "this build does not trust the development test key";
    publish("0.3", *developmentKey);
    const auto runProgram = [&](const QStringList &arguments, QByteArray *errors) {
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        program.setProcessEnvironment(environment);
        program.start(ORVIK_UPDATER_PROGRAM, arguments);
        if (!program.waitForFinished(30000)) {
            program.kill();
            program.waitForFinished();
            return -1;
        }
        *errors = program.readAllStandardError();
        return program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -2;
    };
    const QString pid = QString::number(QCoreApplication::applicationPid());
    const QString directory = '"' + downloads_.path() + '"';
    QByteArray errors;

    EXPECT_EQ(runProgram({pid, server_->url("updates.json").toString(), "ORVIK-IMU", "0.3",
                          directory, "hide"},
                         &errors),
              static_cast<int>(ExitCode::Ok));
    EXPECT_EQ(runProgram({pid, server_->url("missing.json").toString(), "ORVIK-IMU", "0.3",
                          directory, "hide"},
                         &errors),
              static_cast<int>(ExitCode::Failed));
    EXPECT_TRUE(errors.contains("404")) << errors.toStdString();
    EXPECT_EQ(runProgram({pid, server_->url("updates.json").toString(), "ORVIK-IMU", "0.3",
                          downloads_.path(), "hide"},
                         &errors),
              static_cast<int>(ExitCode::Usage));
    EXPECT_TRUE(errors.contains("double quotes")) << errors.toStdString();
}

} // namespace
