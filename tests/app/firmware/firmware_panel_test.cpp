// SPDX-License-Identifier: GPL-3.0-or-later
// DFU control, firmware upgrade and .dfu packing against stand-in programs
// that record their arguments and answer as each test scripts them.
#include "firmware/firmware_tools.h"
#include "firmware/firmware_upgrade.h"
#include "firmware/flash_progress.h"
#include "prompts/file_dialogs.h"
#include "window_fixture.h"

#include <QDir>
#include <QFile>
#include <QProgressDialog>
#include <QStandardPaths>

#include <csignal>
#include <optional>

namespace {

// Stand-ins for the flasher and the converter. Per tool and first argument
// ("list", "flash", "leave", "b", "i") the files <tool>.<mode>.progress/.gap/
// .hang/.sleep/.out/.err/.crash/.code script the answer, in that order:
// .progress is printed line by line with .gap seconds between lines, .hang
// then hangs. <tool>.calls records every call.
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
                            "p=\"$d/$t.$m.progress\"; g=\"$d/$t.$m.gap\"\n"
                            "[ -f \"$p\" ] && while IFS= read -r l; do echo \"$l\";\n"
                            "  [ -f \"$g\" ] && sleep \"$(cat \"$g\")\"; done < \"$p\"\n"
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
        setLimits();
        prompts::replaceFileDialogs(
            [this](const prompts::FileQuestion &question) {
                openAsked << question.caption + " | " + question.filter;
                return openAnswer;
            },
            [this](const prompts::FileQuestion &question) {
                saveAsked << question.caption + " | " + question.filter;
                return saveAnswer;
            });
    }

    void TearDown() override
    {
        prompts::replaceFileDialogs({}, {});
        WindowTest::TearDown();
    }

    firmware::FirmwareUpgrade *controller()
    {
        return window->findChild<firmware::FirmwareUpgrade *>();
    }
    QProgressDialog *progressDialog() { return window->findChild<QProgressDialog *>(); }

    // Takes the scripted tool away and returns where the window would still
    // find one (a copy installed from the package), empty when nowhere.
    QString removeTool(const QString &tool)
    {
        QFile::remove(tools->path(tool));
        return QStandardPaths::findExecutable(tool);
    }

    // Without the pause before the leave, unless a test wants other limits.
    void setLimits(int programMs = firmware::kDefaultTimeLimitMs,
                   int silenceMs = firmware::kDefaultTimeLimitMs)
    {
        controller()->setLimits({programMs, silenceMs, 0});
    }

    bool waitForTheRunToEnd()
    {
        return waitUntil([&] { return !controller()->isBusy(); });
    }

    // Clicks and waits for the run to end, its boxes answered.
    QStringList clickAndWait(const char *button)
    {
        MessageBoxAnswerer answerer;
        click(button);
        EXPECT_TRUE(waitForTheRunToEnd()) << button;
        return answerer.texts();
    }

    QStringList upgradeWith(const QString &file)
    {
        openAnswer = file;
        return clickAndWait("pushButtonUpgrade");
    }

    // The upgrade's dialog shows the label and the range 0..maximum, and the
    // value if one is given.
    bool waitForTheDialog(const QString &label, int maximum, std::optional<int> value = {})
    {
        return waitUntil([&] {
            QProgressDialog *dialog = progressDialog();
            return dialog->isVisible() && dialog->labelText() == label &&
                   dialog->maximum() == maximum && (!value || dialog->value() == *value);
        });
    }

    static bool reaped(qint64 pid) { return pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0; }

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
        EXPECT_EQ(firmware::listsDfuDevice(c.listing), c.found) << c.listing.constData();
        tools->script("dfuse-tool", "list", "out", c.listing);
        EXPECT_EQ(clickAndWait("pushButton_leaveDfu"),
                  c.found ? QStringList{} : QStringList{"No DFU device Found!"});
    }
    EXPECT_EQ(tools->modes("dfuse-tool").count("--leave"), 2);
    EXPECT_EQ(log(), QStringList(2, "Leave to DFU done"));
}

TEST_F(Firmware, LeaveRunsDespiteAFailingListAndReportsItsOwnResult)
{
    tools->script("dfuse-tool", "list", "code", "3");
    clickAndWait("pushButton_leaveDfu");
    tools->script("dfuse-tool", "leave", "code", "1");
    clickAndWait("pushButton_leaveDfu");
    EXPECT_EQ(log(), (QStringList{"Leave to DFU done", "Leave to DFU FAIL"}));
}

TEST_F(Firmware, AMissingFlasherShowsNothing)
{
    if (const QString installed = removeTool("dfuse-tool"); !installed.isEmpty())
        GTEST_SKIP() << "the flasher is installed at " << installed.toStdString();
    EXPECT_TRUE(clickAndWait("pushButton_leaveDfu").isEmpty());
    EXPECT_TRUE(clickAndWait("pushButtonUpgrade").isEmpty());
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
    EXPECT_FALSE(progressDialog()->isVisible());
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

    if (const QString installed = removeTool("dfu-convert"); !installed.isEmpty())
        GTEST_SKIP() << "the converter is installed at " << installed.toStdString();
    EXPECT_EQ(upgradeWith("/data/a.bin"), QStringList{"DFU Fail!"});
    EXPECT_EQ(log().last(), "DFU Fail: could not start dfu-convert");
}

TEST_F(Firmware, SuccessNeedsTheLeaveToSucceedToo)
{
    tools->script("dfuse-tool", "leave", "code", "2");
    EXPECT_EQ(upgradeWith("/data/a.dfu"), QStringList{"DFU Fail!"});
    EXPECT_EQ(log().last(), "DFU Fail: dfuse-tool exited with code 2");
}

TEST_F(Firmware, ProgressLinesAmongFreeTextBecomePhasesAndCounts)
{
    QList<firmware::FirmwarePhase> phases;
    QStringList counts;
    QObject::connect(controller(), &firmware::FirmwareUpgrade::phaseChanged,
                     [&](firmware::FirmwarePhase phase) { phases << phase; });
    QObject::connect(
        controller(), &firmware::FirmwareUpgrade::progress,
        [&](qint64 done, qint64 total) { counts << QString("%1/%2").arg(done).arg(total); });
    tools->script("dfuse-tool", "flash", "progress",
                  "Erasing 2 page(s)\nprogress erase 0 4\nprogress erase 4 4\n"
                  "progress write 0 8\nprogress write 9 8\nwrote progress write 4 8\n"
                  "progress write 8 8\nprogress verify 8 8\nFlashed.\n");
    // The leave's last line lacks its line end.
    tools->script("dfuse-tool", "leave", "out", "progress leave 0 1\nprogress leave 1 1");
    EXPECT_EQ(upgradeWith("/data/app.bin"), QStringList{"DFU Success!"});
    EXPECT_EQ(phases, (QList<firmware::FirmwarePhase>{
                          firmware::FirmwarePhase::Convert, firmware::FirmwarePhase::Erase,
                          firmware::FirmwarePhase::Write, firmware::FirmwarePhase::Verify,
                          firmware::FirmwarePhase::Leave}));
    EXPECT_EQ(counts, (QStringList{"0/4", "4/4", "0/8", "8/8", "8/8", "0/1", "1/1"}));
}

TEST_F(Firmware, AFlashRunsPastTheTimeLimitsAsLongAsProgressComes)
{
    setLimits(1000, 1000);
    QByteArray lines;
    for (int written = 0; written <= 15; ++written)
        lines += QByteArray("progress write ") + QByteArray::number(written) + " 15\n";
    tools->script("dfuse-tool", "flash", "progress", lines);
    tools->script("dfuse-tool", "flash", "gap", "0.15");
    QElapsedTimer flashing;
    flashing.start();
    EXPECT_EQ(upgradeWith("/data/app.dfu"), QStringList{"DFU Success!"});
    ASSERT_GT(flashing.elapsed(), 1000) << "the flash outlasted both limits";
    EXPECT_EQ(log(), QStringList{});
}

TEST_F(Firmware, ASilentFlashIsStoppedByTheWatchdogAndReaped)
{
    setLimits(firmware::kDefaultTimeLimitMs, 300);
    tools->script("dfuse-tool", "flash", "progress", "progress erase 0 4\n");
    tools->script("dfuse-tool", "flash", "hang");
    EXPECT_EQ(upgradeWith("/data/a.dfu"), QStringList{"DFU Fail!"});
    EXPECT_EQ(log().last(), "DFU Fail: no progress for 0.3 s");
    EXPECT_TRUE(reaped(tools->pid("dfuse-tool", "flash")));
    EXPECT_FALSE(tools->modes("dfuse-tool").contains("--leave"))
        << "a half-written module stays in its bootloader";
    EXPECT_FALSE(progressDialog()->isVisible());
}

TEST_F(Firmware, ListingConvertingAndLeavingAreKilledAndReapedAtTheirTimeLimit)
{
    setLimits(1000, firmware::kDefaultTimeLimitMs);
    tools->script("dfu-convert", "b", "hang");
    EXPECT_EQ(upgradeWith("/data/a.bin"), QStringList{"DFU Fail!"});
    EXPECT_EQ(log().last(), "DFU Fail: timed out");
    EXPECT_TRUE(reaped(tools->pid("dfu-convert", "b")));

    tools->script("dfuse-tool", "leave", "hang");
    EXPECT_EQ(upgradeWith("/data/a.dfu"), QStringList{"DFU Fail!"});
    EXPECT_EQ(log().last(), "DFU Fail: timed out");
    EXPECT_TRUE(reaped(tools->pid("dfuse-tool", "leave")));
    EXPECT_TRUE(clickAndWait("pushButton_leaveDfu").isEmpty());
    EXPECT_EQ(log().size(), 2) << "a leave on its own that did not end says nothing, as ever";

    tools->script("dfuse-tool", "list", "hang");
    openAsked.clear();
    EXPECT_TRUE(upgradeWith("/data/a.dfu").isEmpty());
    EXPECT_TRUE(openAsked.isEmpty());
    EXPECT_TRUE(reaped(tools->pid("dfuse-tool", "list")));
}

TEST_F(Firmware, ListingAndLeavingKeepTheEventLoopRunningAndIgnoreSecondClicks)
{
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(10);
    tools->script("dfuse-tool", "list", "sleep", "1");
    tools->script("dfuse-tool", "leave", "sleep", "1");
    MessageBoxAnswerer answerer;
    click("pushButton_leaveDfu");
    EXPECT_TRUE(controller()->isBusy()) << "the click returned while the listing runs";
    click("pushButton_leaveDfu");
    click("pushButtonUpgrade");
    ASSERT_TRUE(waitUntil([&] { return tools->modes("dfuse-tool").contains("--leave"); }));
    EXPECT_TRUE(controller()->isBusy());
    EXPECT_TRUE(log().isEmpty());
    const int ticksBeforeTheLeaveEnded = ticks;
    ASSERT_TRUE(waitForTheRunToEnd());
    EXPECT_GT(ticksBeforeTheLeaveEnded, 0);
    EXPECT_EQ(log(), QStringList{"Leave to DFU done"});
    EXPECT_EQ(tools->modes("dfuse-tool"), (QStringList{"--list", "--leave"}));
    EXPECT_TRUE(openAsked.isEmpty());
    EXPECT_TRUE(answerer.seen().isEmpty());
}

TEST_F(Firmware, TheDialogFollowsThePhasesAndClosingTheWindowReapsTheProgram)
{
    const QString upgrading = "正在更新...\n";
    tools->script("dfu-convert", "b", "hang");
    openAnswer = "/data/a.bin";
    click("pushButtonUpgrade");
    ASSERT_TRUE(waitForTheDialog(upgrading + "Converting the image", 0));
    ASSERT_TRUE(waitUntil([&] { return tools->pid("dfu-convert", "b") > 0; }));
    click("pushButtonUpgrade");
    window.reset();
    EXPECT_TRUE(reaped(tools->pid("dfu-convert", "b")));
    EXPECT_EQ(tools->modes("dfuse-tool"), QStringList{"--list"});

    window = std::make_unique<MainWindow>();
    window->show();
    tools->script("dfuse-tool", "flash", "progress",
                  "progress erase 0 4\nprogress erase 4 4\nprogress write 0 8\n"
                  "progress write 4 8\n");
    tools->script("dfuse-tool", "flash", "hang");
    openAnswer = "/data/a.dfu";
    click("pushButtonUpgrade");
    ASSERT_TRUE(waitForTheDialog(upgrading + "Writing", 8, 4));
    EXPECT_TRUE(progressDialog()->isModal());
    window.reset();
    EXPECT_TRUE(reaped(tools->pid("dfuse-tool", "flash")));
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
    if (const QString installed = removeTool("dfu-convert"); !installed.isEmpty())
        GTEST_SKIP() << "the converter is installed at " << installed.toStdString();
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
