// SPDX-License-Identifier: GPL-3.0-or-later
// Identity: version and serial number, pure rules and through the window.
#include "identity/identity.h"
#include "window_fixture.h"

#include <QLineEdit>

TEST(IdentityText, VersionBytesAreUnsignedDecimals)
{
    const char v107[3] = {1, 0, 7};
    EXPECT_EQ(identity::versionText(v107), "1.0.7");
    const char high[3] = {char(255), char(128), 10};
    EXPECT_EQ(identity::versionText(high), "255.128.10");
}

TEST(IdentityText, SerialNumberStopsAtTheFirstZeroOrTakesAll32Bytes)
{
    char sn[32] = "ABC123XYZ";
    EXPECT_EQ(identity::serialNumberText(sn), "ABC123XYZ");
    char full[32];
    for (int i = 0; i < 32; ++i)
        full[i] = char('A' + i % 26);
    EXPECT_EQ(identity::serialNumberText(full).size(), 32);
    char latin1[32] = {char(0xC4), 'X'};
    EXPECT_EQ(identity::serialNumberText(latin1), QString::fromUtf8("ÄX"));
}

TEST(IdentityText, SerialNumbersAreNineUpperCaseLettersOrDigits)
{
    EXPECT_TRUE(identity::isValidSerialNumber("ABC123XYZ"));
    EXPECT_TRUE(identity::isValidSerialNumber("000000000"));
    for (const char *bad : {"abc123xyz", "ABC123XY", "ABC123XYZ0", "ABC123XYZ ", " ABC123XYZ",
                            "ABC-23XYZ", "", "ÄBC123XYZ"})
        EXPECT_FALSE(identity::isValidSerialNumber(QString::fromUtf8(bad))) << bad;
}

using Identity = WindowTest;

TEST_F(Identity, ClosedDeviceLogsFirstThenShowsTheErrorBox)
{
    for (const char *button : {"pushButton_version", "pushButton_getSN", "pushButton_setSN"}) {
        MessageBoxAnswerer answerer;
        QStringList logWhenBoxShown;
        QTimer probe;
        QObject::connect(&probe, &QTimer::timeout, [&] {
            if (QApplication::activeModalWidget() && logWhenBoxShown.isEmpty())
                logWhenBoxShown = log();
        });
        probe.start(1);
        click(button);
        ASSERT_EQ(answerer.seen().size(), 1) << button;
        EXPECT_EQ(answerer.seen()[0].title, "Error");
        EXPECT_EQ(answerer.seen()[0].text, "Please open IMU device.");
        EXPECT_EQ(logWhenBoxShown.last(), "Please open IMU device");
    }
    EXPECT_TRUE(device().calls().empty()) << "nothing sent, no question asked";
}

TEST_F(Identity, VersionAndSerialNumberAreReadIntoTheirFields)
{
    device().setVersion({1, 0, 7});
    device().setSerialNumber("ABC123XYZ");
    connectDevice();
    click("pushButton_version");
    click("pushButton_getSN");
    EXPECT_EQ(find<QLineEdit>("lineEdit_version")->text(), "1.0.7");
    EXPECT_EQ(find<QLineEdit>("lineEdit_SN")->text(), "ABC123XYZ");
    EXPECT_EQ(log().mid(1), (QStringList{"Version: 1.0.7", "Get SN: ABC123XYZ"}));
}

TEST_F(Identity, SetSnAsksValidatesAndSendsOnlyAValidNumber)
{
    connectDevice();
    auto *sn = find<QLineEdit>("lineEdit_SN");
    sn->setText("ABC123XYZ");
    {
        MessageBoxAnswerer answerer({QMessageBox::No});
        click("pushButton_setSN");
        EXPECT_EQ(answerer.seen()[0].text, "Do you want to Write SN");
    }
    for (const char *bad : {"abc123xyz", "ABC123XY", "ABC123XYZ0", "ABC123XYZ "}) {
        sn->setText(bad);
        MessageBoxAnswerer answerer({QMessageBox::Yes});
        click("pushButton_setSN");
        ASSERT_EQ(answerer.seen().size(), 2) << bad;
        EXPECT_EQ(answerer.seen()[1].title, "Invalid Serial Number");
        EXPECT_EQ(answerer.seen()[1].text, "SN号必须为9位大写字母或数字组合！");
        EXPECT_EQ(sn->text(), bad) << "the rejected text stays";
    }
    EXPECT_FALSE(device().wasCalled("setSN"));
    EXPECT_EQ(log().size(), 1);

    sn->setText("ABC123XYZ");
    MessageBoxAnswerer answerer({QMessageBox::Yes});
    click("pushButton_setSN");
    EXPECT_EQ(device().serialNumberWritten(), "ABC123XYZ");
    EXPECT_EQ(log().last(), "Set SN: ABC123XYZ");
}

TEST_F(Identity, AFailedReadShowsNothingAndAFailedWriteIsNotReportedAsDone)
{
    device().setVersion({1, 0, 7});
    device().setSerialNumber("ABC123XYZ");
    connectDevice();
    find<QLineEdit>("lineEdit_version")->setText("stale");
    device().setResult("getVersion", false);
    click("pushButton_version");
    EXPECT_TRUE(find<QLineEdit>("lineEdit_version")->text().isEmpty());

    find<QLineEdit>("lineEdit_SN")->setText("stale");
    device().setReadsFail(true); // answered, but the buffer left untouched
    click("pushButton_getSN");
    EXPECT_TRUE(find<QLineEdit>("lineEdit_SN")->text().isEmpty());
    device().setReadsFail(false);

    find<QLineEdit>("lineEdit_SN")->setText("NEW000001");
    device().setWritesIgnored(true);
    {
        MessageBoxAnswerer answerer({QMessageBox::Yes});
        click("pushButton_setSN");
    }
    device().setWritesIgnored(false);
    device().setResult("setSN", false);
    {
        MessageBoxAnswerer answerer({QMessageBox::Yes});
        click("pushButton_setSN");
    }
    EXPECT_EQ(log().mid(1),
              (QStringList{"Version FAIL", "Get SN FAIL", "Set SN FAIL", "Set SN FAIL"}));
}
