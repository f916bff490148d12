// DFU control, firmware upgrade and .dfu packing against stand-in programs
// that record their arguments and answer as each test scripts them.
#include "filedialogs.h"
#include "firmwaretools.h"
#include "window_fixture.h"

#include <QDir>
#include <QProgressDialog>

#include <csignal>

namespace {

// Stand-ins for the flasher and the converter. Per tool and first argument
// ("list", "flash", "leave", "b", "i") the files <tool>.<mode>.out/.err/
// .code/.sleep/.hang/.crash script the answer; <tool>.calls records every call.
class FakeTools
{
public:
    explicit FakeTools(const QString &dir) : dir(dir)
    {
        for (const QString tool : {"dfuse-tool", "dfu-convert"})
            writeScript(path(tool),
                        "d='" + dir.toLocal8Bit() + "'; t='" + tool.toLocal8Bit() +
                            "'\n"
                            "printf '%s\\037' \"$@\" >> \"$d/$t.calls\"; echo >> \"$d/$t.calls\"\n"
                            "m=$(printf '%s' \"$1\" | tr -d -)\n"
                            "echo $$ > \"$d/$t.$m.pid\"\n"
                            "[ -f \"$d/$t.$m.hang\" ] && exec sleep 60\n"
                            "[ -f \"$d/$t.$m.sleep\" ] && sleep \"$(cat \"$d/$t.$m.sleep\")\"\n"
                            "[ -f \"$d/$t.$m.out\" ] && cat \"$d/$t.$m.out\"\n"
                            "[ -f \"$d/$t.$m.err\" ] && cat \"$d/$t.$m.err\" >&2\n"
                            "[ -f \"$d/$t.$m.crash\" ] && kill -SEGV $$\n"
                            "[ -f \"$d/$t.$m.code\" ] && exit \"$(cat \"$d/$t.$m.code\")\"\n"
                            "exit 0\n");
        bootloaderAttached(true);
    }

    void script(const QString &tool, const QString &mode, const QString &kind,
                const QByteArray &content = {})
    {
        QFile file(path(tool + "." + mode + "." + kind));
        file.open(QIODevice::WriteOnly);
        file.write(content);
    }

    void bootloaderAttached(bool attached)
    {
        script("dfuse-tool", "list", "out",
               attached ? "Found DFU devices:\nDevice VID: 0x0483 PID: 0xdf11 (sim)\nend\n"
                        : "No DFU device\n");
    }

    QList<QStringList> calls(const QString &tool) const
    {
        QFile file(path(tool + ".calls"));
        QList<QStringList> result;
        if (!file.open(QIODevice::ReadOnly))
            return result;
        for (const QString &line :
             QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts))
            result << line.split(QChar(0x1F), Qt::SkipEmptyParts);
        return result;
    }

    QStringList modes(const QString &tool) const
    {
        QStringList result;
        for (const QStringList &call : calls(tool))
            result << call.value(0);
        return result;
    }

    qint64 pid(const QString &tool, const QString &mode) const
    {
        QFile file(path(tool + "." + mode + ".pid"));
        return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed().toLongLong() : 0;
    }

    QString path(const QString &name) const { return dir + "/" + name; }

private:
    QString dir;
};

} // namespace

class Firmware : public WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        tools = std::make_unique<FakeTools>(programDir.path());
        filedialogs::replace(
            [this](QWidget *, const QString &caption, const QString &filter) {
                openAsked << caption + " | " + filter;
                return openAnswer;
            },
            [this](QWidget *, const QString &caption, const QString &filter) {
                saveAsked << caption + " | " + filter;
                return saveAnswer;
            });
    }

    void TearDown() override
    {
        filedialogs::replace({}, {});
        firmwaretools::setTimeLimitMs(30000);
        WindowTest::TearDown();
    }

    QStringList upgradeWith(const QString &file)
    {
        openAnswer = file;
        MessageBoxAnswerer answerer;
        click("pushButtonUpgrade");
        return answerer.texts();
    }

    std::unique_ptr<FakeTools> tools;
    QString openAnswer;
    QString saveAnswer;
    QStringList openAsked;
    QStringList saveAsked;
};

TEST_F(Firmware, DetectionWantsTheExactSignatureAnywhereInTheListing)
{
    const struct
    {
        QByteArray listing;
        bool found;
    } cases[] = {
        {"a\nDevice VID: 0x0483 PID: 0xdf11\nb\n", true},
        {"Found Device VID: 0x0483 PID: 0xdf11, alt 0", true},
        {"device vid: 0x0483 pid: 0xdf11\n", false},
        {"Device VID: 0x0483 PID: 0xDF11\n", false},
        {"", false},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(firmwaretools::listsDfuDevice(c.listing), c.found) << c.listing.constData();
        tools->script("dfuse-tool", "list", "out", c.listing);
        MessageBoxAnswerer answerer;
        click("pushButton_leaveDfu");
        EXPECT_EQ(answerer.texts(), c.found ? QStringList{} : QStringList{"No DFU device Found!"});
    }
    EXPECT_EQ(tools->modes("dfuse-tool").count("--leave"), 2);
    EXPECT_EQ(log(), QStringList(2, "Leave to DFU done"));
}

TEST_F(Firmware, LeaveRunsDespiteAFailingListAndReportsItsOwnResult)
{
    tools->script("dfuse-tool", "list", "code", "3");
    click("pushButton_leaveDfu");
    tools->script("dfuse-tool", "leave", "code", "1");
    click("pushButton_leaveDfu");
    EXPECT_EQ(log(), (QStringList{"Leave to DFU done", "Leave to DFU FAIL"}));
}

TEST_F(Firmware, AMissingFlasherShowsNothing)
{
    QFile::remove(tools->path("dfuse-tool"));
    MessageBoxAnswerer answerer;
    click("pushButton_leaveDfu");
    click("pushButtonUpgrade");
    EXPECT_TRUE(answerer.seen().isEmpty());
    EXPECT_TRUE(log().isEmpty());
    EXPECT_TRUE(openAsked.isEmpty());
}

TEST_F(Firmware, JumpToDfuClosesTheLinkAndSaysSoAfterTheDisconnect)
{
    {
        MessageBoxAnswerer answerer;
        click("pushButton_jumpToDfu");
        EXPECT_EQ(answerer.texts(), QStringList{"Please open IMU device."});
        EXPECT_EQ(log(), QStringList{"Please open IMU device"});
    }
    connectDevice();
    tools->bootloaderAttached(false);
    click("pushButton_jumpToDfu");
    const std::vector<std::string> calls = device().calls();
    EXPECT_EQ(std::vector<std::string>(calls.end() - 4, calls.end()),
              (std::vector<std::string>{"stopRecv", "JumpDFU", "stopRecv", "closePort(0)"}));
    EXPECT_EQ(log().mid(2), QStringList{"imu DisConnect"})
        << "done only once the bootloader is seen";
    EXPECT_FALSE(find<QAbstractButton>("pushButtonSerialConnect")->isChecked());
    EXPECT_EQ(find<QAbstractButton>("pushButtonSerialConnect")->text(), "Connect");

    tools->bootloaderAttached(true); // the module has restarted into its bootloader
    ASSERT_TRUE(waitUntil([&] { return log().size() == 4; }));
    EXPECT_EQ(log().last(), "Jump to DFU done");
}

TEST_F(Firmware, ARefusedJumpKeepsTheLinkAndAJumpWithoutBootloaderReconnects)
{
    connectDevice();
    device().setResult("JumpDFU", false);
    click("pushButton_jumpToDfu");
    EXPECT_EQ(log().mid(1), QStringList{"Jump to DFU FAIL"});
    EXPECT_TRUE(device().isOpen());
    EXPECT_TRUE(device().isReceiving()) << "reception resumed";
    EXPECT_TRUE(find<QAbstractButton>("pushButtonSerialConnect")->isChecked());

    // Accepted, but the module never shows up as a bootloader: still in its
    // application, so the link is opened again.
    device().setResult("JumpDFU", true);
    tools->bootloaderAttached(false);
    click("pushButton_jumpToDfu");
    ASSERT_TRUE(waitUntil([&] { return log().size() == 5; }, 20000))
        << log().join('|').toStdString();
    EXPECT_EQ(log().mid(2),
              (QStringList{"imu DisConnect", "Jump to DFU FAIL", "imu Connect SUCCESS"}));
    EXPECT_TRUE(device().isOpen());
    EXPECT_TRUE(find<QAbstractButton>("pushButtonSerialConnect")->isChecked());
}

TEST_F(Firmware, UpgradeWithoutABootloaderAsksForNoFile)
{
    tools->bootloaderAttached(false);
    EXPECT_EQ(upgradeWith("/tmp/x.bin"), QStringList{"No DFU device Found!"});
    EXPECT_TRUE(openAsked.isEmpty());
}

TEST_F(Firmware, ABinImageIsPackedFlashedAndStarted)
{
    const QString image = programDir.filePath("my fw ü/FIRMWARE.BIN");
    EXPECT_EQ(upgradeWith(image), QStringList{"DFU Success!"});
    EXPECT_EQ(openAsked, QStringList{"选择文件 | DFU/BIN/HEX 文件 (*.dfu *.bin *.hex)"});

    const QList<QStringList> converted = tools->calls("dfu-convert");
    ASSERT_EQ(converted.size(), 1);
    ASSERT_EQ(converted[0].size(), 3);
    EXPECT_EQ(converted[0][0], "-b");
    EXPECT_EQ(converted[0][1], "0x8020000:" + image);
    const QList<QStringList> flasher = tools->calls("dfuse-tool");
    ASSERT_EQ(flasher.size(), 3);
    EXPECT_EQ(flasher[1], (QStringList{"--flash", converted[0][2]}));
    EXPECT_EQ(flasher[2], QStringList{"--leave"});
    EXPECT_FALSE(QFile::exists(converted[0][2])) << "the temporary image is removed";
    EXPECT_FALSE(window->findChild<QProgressDialog *>()->isVisible());
}

TEST_F(Firmware, HexImagesAreConvertedWithDashIAndDfuImagesFlashedDirectly)
{
    EXPECT_EQ(upgradeWith("/data/app.hex"), QStringList{"DFU Success!"});
    EXPECT_EQ(tools->calls("dfu-convert").value(0).mid(0, 2), (QStringList{"-i", "/data/app.hex"}));
    EXPECT_EQ(upgradeWith("/data/image.dfu"), QStringList{"DFU Success!"});
    EXPECT_EQ(tools->calls("dfu-convert").size(), 1);
    EXPECT_EQ(tools->calls("dfuse-tool").value(4), (QStringList{"--flash", "/data/image.dfu"}));
}

TEST_F(Firmware, OtherFilesAreRefusedBeforeAnyToolRuns)
{
    for (const char *file : {"/data/firmware", "/data/firmware.elf"})
        EXPECT_EQ(upgradeWith(file), QStringList{"File error"}) << file;
    EXPECT_TRUE(tools->calls("dfu-convert").isEmpty());
    EXPECT_EQ(tools->modes("dfuse-tool"), QStringList(2, "--list"));
    EXPECT_TRUE(upgradeWith("").isEmpty()) << "a cancelled dialog ends silently";
}

TEST_F(Firmware, AFailedConversionOrFlashFailsWithItsReasonAndLeavesTheBootloaderAlone)
{
    const struct
    {
        const char *tool;
        const char *mode;
        const char *kind;
        const char *file;
        QByteArray errorOutput;
        const char *reason;
    } failures[] = {
        {"dfu-convert", "b", "code", "/data/a.bin", "dfu-convert: /data/a.bin: cannot read\n",
         "dfu-convert: /data/a.bin: cannot read"},
        {"dfu-convert", "i", "crash", "/data/a.hex", {}, "dfu-convert crashed"},
        {"dfuse-tool", "flash", "code", "/data/a.dfu",
         "Erasing 1 page(s)\ndfuse-tool: flashing failed: errWRITE at 0x08020000, dfuERROR\n"
         "  retry once the module is reset\n",
         "dfuse-tool: flashing failed: errWRITE at 0x08020000, dfuERROR"},
        {"dfuse-tool", "flash", "crash", "/data/a.dfu", {}, "dfuse-tool crashed"},
        {"dfuse-tool", "flash", "code", "/data/a.dfu", {}, "dfuse-tool exited with code 1"},
    };
    for (const auto &f : failures) {
        tools->script(f.tool, f.mode, f.kind, "1");
        tools->script(f.tool, f.mode, "err", f.errorOutput);
        EXPECT_EQ(upgradeWith(f.file), QStringList{"DFU Fail!"}) << f.tool << " " << f.kind;
        EXPECT_EQ(log().last(), QString("DFU Fail: ") + f.reason);
        QFile::remove(tools->path(QString("%1.%2.%3").arg(f.tool, f.mode, f.kind)));
    }
    EXPECT_FALSE(tools->modes("dfuse-tool").contains("--leave"));

    QFile::remove(tools->path("dfu-convert"));
    EXPECT_EQ(upgradeWith("/data/a.bin"), QStringList{"DFU Fail!"});
    EXPECT_EQ(log().last(), "DFU Fail: could not start dfu-convert");
}

TEST_F(Firmware, SuccessNeedsTheLeaveToSucceedToo)
{
    tools->script("dfuse-tool", "leave", "code", "2");
    EXPECT_EQ(upgradeWith("/data/a.dfu"), QStringList{"DFU Fail!"});
    EXPECT_EQ(log().last(), "DFU Fail: dfuse-tool exited with code 2");
}

TEST_F(Firmware, AHangingFlashIsKilledAndReapedAtTheTimeLimit)
{
    firmwaretools::setTimeLimitMs(300);
    tools->script("dfuse-tool", "flash", "hang");
    EXPECT_EQ(upgradeWith("/data/a.dfu"), QStringList{"DFU Fail!"});
    EXPECT_EQ(log().last(), "DFU Fail: timed out");
    const qint64 pid = tools->pid("dfuse-tool", "flash");
    ASSERT_GT(pid, 0);
    EXPECT_NE(::kill(static_cast<pid_t>(pid), 0), 0) << "the hanging flasher is gone";
}

TEST_F(Firmware, TheWindowKeepsProcessingEventsDuringASlowFlash)
{
    tools->script("dfuse-tool", "flash", "sleep", "1");
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(10);
    bool dialogSeen = false;
    QTimer::singleShot(300,
                       [&] { dialogSeen = window->findChild<QProgressDialog *>()->isVisible(); });
    EXPECT_EQ(upgradeWith("/data/a.dfu"), QStringList{"DFU Success!"});
    EXPECT_GT(ticks, 50);
    EXPECT_TRUE(dialogSeen);
}

TEST_F(Firmware, PackingRunsTheConverterWithTheChosenFiles)
{
    const struct
    {
        QString input;
        QString output;
        QStringList arguments;
    } cases[] = {
        {"/data/APP.BIN", "/out/out.DFU", {"-b", "0x8020000:/data/APP.BIN", "/out/out.DFU"}},
        {"/data/app.hex", "/out/out", {"-i", "/data/app.hex", "/out/out.dfu"}},
    };
    for (const auto &c : cases) {
        openAnswer = c.input;
        saveAnswer = c.output;
        MessageBoxAnswerer answerer;
        click("pushButton_packfile");
        EXPECT_EQ(answerer.texts(), QStringList{"文件转换完成！"});
        EXPECT_EQ(answerer.seen().value(0).title, "成功");
        EXPECT_EQ(tools->calls("dfu-convert").last(), c.arguments);
    }
    EXPECT_EQ(openAsked.first(), "选择输入文件 | Hex or Bin Files (*.hex *.bin)");
    EXPECT_EQ(saveAsked.first(), "保存转换后的文件 | DFU Files (*.dfu)");
    EXPECT_TRUE(log().isEmpty());
}

TEST_F(Firmware, PackingReportsEachFailure)
{
    openAnswer = "/data/app.bin";
    saveAnswer = "/out/x.dfu";
    tools->script("dfu-convert", "b", "code", "1");
    MessageBoxAnswerer answerer;
    click("pushButton_packfile");
    QFile::remove(tools->path("dfu-convert"));
    click("pushButton_packfile");
    openAnswer = "/data/app.txt";
    click("pushButton_packfile");
    EXPECT_EQ(answerer.texts(), (QStringList{"文件转换失败！", "执行转换程序失败！",
                                             "输入文件必须是.bin或.hex文件"}));
    EXPECT_EQ(answerer.seen().value(2).title, "文件错误");

    openAnswer = "";
    click("pushButton_packfile");
    openAnswer = "/data/app.bin";
    saveAnswer = "";
    click("pushButton_packfile");
    EXPECT_EQ(answerer.seen().size(), 3) << "cancelling either dialog ends silently";
}

TEST(FirmwareTools, ConverterArgumentsAndTheDfuSuffixRule)
{
    EXPECT_EQ(firmwaretools::converterArguments("C:/fw/A B.Bin", "o.dfu"),
              (QStringList{"-b", "0x8020000:C:/fw/A B.Bin", "o.dfu"}));
    EXPECT_EQ(firmwaretools::converterArguments("x.HEX", "o.dfu"),
              (QStringList{"-i", "x.HEX", "o.dfu"}));
    EXPECT_EQ(firmwaretools::withDfuSuffix("a.Dfu"), "a.Dfu");
    EXPECT_EQ(firmwaretools::withDfuSuffix("a.dfu.bak"), "a.dfu.bak.dfu");
    EXPECT_EQ(firmwaretools::imageKind("/x/FIRMWARE.BIN"), "bin");
    EXPECT_EQ(firmwaretools::imageKind("/x.y/firmware"), "");
}
