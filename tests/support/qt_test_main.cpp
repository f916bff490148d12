// SPDX-License-Identifier: GPL-3.0-or-later
// Entry point of test programs that need a QApplication (widgets, event loops).
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
