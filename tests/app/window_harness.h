// SPDX-License-Identifier: GPL-3.0-or-later
// A window under test and the helpers its tests share.
#pragma once

#include "mainwindow.h"
#include "message_box_answerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>

// Readable QStrings in test failure messages.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

inline void writeScript(const QString &path, const QByteArray &body)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\n" + body);
    file.close();
    file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
}

// Runs the event loop until `done` holds or `ms` passed; returns `done()`.
// The deadline only bounds a failure: a loaded or sanitized run is slow, so
// it is generous.
inline bool waitUntil(const std::function<bool()> &done, int ms = 10000)
{
    return QTest::qWaitFor(done, ms);
}

// A window under test with a silent updater on the search path, so that the
// start-up check stays quiet; works with whichever device library is linked.
class WindowHarness : public ::testing::Test
{
protected:
    void SetUp() override
    {
        savedPath = qgetenv("PATH");
        ASSERT_TRUE(programDir.isValid());
        writeScript(programDir.filePath("QUpdater"), "exit 0\n");
        qputenv("PATH", programDir.path().toLocal8Bit() + ":" + savedPath);
        window = std::make_unique<MainWindow>();
        window->show();
    }

    void TearDown() override
    {
        window.reset();
        qputenv("PATH", savedPath);
    }

    template <class T> T *find(const char *name)
    {
        T *child = window->findChild<T *>(name);
        EXPECT_NE(child, nullptr) << name;
        return child;
    }

    // The log's lines, with every line emitted so far appended, without
    // their time stamps.
    QStringList log()
    {
        window->flushLog();
        QStringList lines = find<QPlainTextEdit>("textBrowserLogs")->toPlainText().split('\n');
        if (lines == QStringList{""})
            return {};
        static const QRegularExpression stamp(R"(^\[\d\d:\d\d:\d\d\.\d\d\d\]: )");
        for (QString &line : lines)
            line.remove(stamp);
        return lines;
    }

    void click(const char *button) { find<QAbstractButton>(button)->click(); }

    QTemporaryDir programDir;
    QByteArray savedPath;
    std::unique_ptr<MainWindow> window;
};
