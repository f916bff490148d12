// SPDX-License-Identifier: GPL-3.0-or-later
#include "arguments.h"
#include "version.h"

#include <gtest/gtest.h>

using namespace updater;

namespace {

QStringList validArguments()
{
    return {"4242",
            "https://updates.example/ORVIK_IMU/updates.json",
            "ORVIK-IMU",
            "0.3",
            "\"C:/Program Files/ORVIK IMU\"",
            "show"};
}

QStringList replaced(int index, const QString &value)
{
    QStringList arguments = validArguments();
    arguments[index] = value;
    return arguments;
}

int compare(const char *a, const char *b)
{
    return compareVersions(*parseVersion(QString::fromLatin1(a)),
                           *parseVersion(QString::fromLatin1(b)));
}

} // namespace

TEST(UpdaterArguments, ReadsTheSixArgumentsInOrder)
{
    const ArgumentsResult shown = parseArguments(validArguments());
    ASSERT_TRUE(shown.arguments) << shown.error.toStdString();
    EXPECT_EQ(shown.arguments->processId, 4242);
    EXPECT_EQ(shown.arguments->manifestUrl, QUrl("https://updates.example/ORVIK_IMU/updates.json"));
    EXPECT_EQ(shown.arguments->applicationName, "ORVIK-IMU");
    EXPECT_EQ(shown.arguments->versionText, "0.3");
    EXPECT_EQ(shown.arguments->applicationDirectory, "C:/Program Files/ORVIK IMU");
    EXPECT_EQ(shown.arguments->displayMode, DisplayMode::Show);

    const ArgumentsResult hidden = parseArguments(replaced(5, "hide"));
    ASSERT_TRUE(hidden.arguments);
    EXPECT_EQ(hidden.arguments->displayMode, DisplayMode::Hide);
}

TEST(UpdaterArguments, StripsExactlyOnePairOfQuotesFromTheDirectory)
{
    const auto directoryOf = [](const QString &argument) {
        const ArgumentsResult result = parseArguments(replaced(4, argument));
        return result.arguments ? result.arguments->applicationDirectory : QString("<refused>");
    };
    EXPECT_EQ(directoryOf("\"/opt/orvik imu\""), "/opt/orvik imu");
    EXPECT_EQ(directoryOf("\"\"/opt/odd\"\""), "\"/opt/odd\"");
    for (const char *unwrapped : {"/opt/orvik", "\"/opt/orvik", "/opt/orvik\"", "\"", "\"\"", ""})
        EXPECT_EQ(directoryOf(unwrapped), "<refused>") << unwrapped;
}

TEST(UpdaterArguments, RefusesAnythingElseWithAReason)
{
    const QList<QStringList> broken = {
        {},
        validArguments().mid(0, 5),
        validArguments() << "extra",
        replaced(0, "0"),
        replaced(0, "-12"),
        replaced(0, "12a"),
        replaced(0, " 12"),
        replaced(0, "4294967296"),
        replaced(0, ""),
        replaced(1, "ftp://updates.example/updates.json"),
        replaced(1, "file:///etc/passwd"),
        replaced(1, "http://updates.example/ORVIK_IMU/updates.json"),
        replaced(1, "not an address"),
        replaced(2, ""),
        replaced(3, "v0.3"),
        replaced(3, "0.3-beta"),
        replaced(3, ""),
        replaced(5, "SHOW"),
        replaced(5, "hidden"),
        replaced(5, ""),
    };
    for (const QStringList &arguments : broken) {
        const ArgumentsResult result = parseArguments(arguments);
        EXPECT_FALSE(result.arguments) << arguments.join(' ').toStdString();
        EXPECT_FALSE(result.error.isEmpty()) << arguments.join(' ').toStdString();
    }
}

TEST(UpdaterArguments, KeepsLoopbackHttpAndFetchesTheHttpsPortOverHttps)
{
    const ArgumentsResult loopback = parseArguments(replaced(1, "http://127.0.0.1:8080/u.json"));
    ASSERT_TRUE(loopback.arguments);
    EXPECT_EQ(loopback.arguments->manifestUrl, QUrl("http://127.0.0.1:8080/u.json"));

    const ArgumentsResult httpsPort =
        parseArguments(replaced(1, "http://updates.example:443/ORVIK_IMU/updates.json"));
    ASSERT_TRUE(httpsPort.arguments);
    EXPECT_EQ(httpsPort.arguments->manifestUrl,
              QUrl("https://updates.example:443/ORVIK_IMU/updates.json"));
}

TEST(VersionComparison, ComparesDottedComponentsNumerically)
{
    struct Case
    {
        const char *a;
        const char *b;
        int order;
    };
    const Case cases[] = {
        {"0.10", "0.9", 1},
        {"1.0", "1.0.0", 0},
        {"0.3", "0.3", 0},
        {"0.3", "0.4", -1},
        {"2", "10", -1},
        {"1.02", "1.2", 0},
        {"1.0.1", "1", 1},
        {"0.0", "0", 0},
        {"1.0.0.0.1", "1", 1},
        {"100000000000000000000", "99999999999999999999", 1},
        {"3.18446744073709551617", "3.18446744073709551616", 1},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(compare(c.a, c.b), c.order) << c.a << " vs " << c.b;
        EXPECT_EQ(compare(c.b, c.a), -c.order) << c.b << " vs " << c.a;
    }
}

TEST(VersionComparison, AcceptsOnlyDottedAsciiDigits)
{
    for (const char *text :
         {"", ".", "1.", ".1", "1..2", "v1", "1.0a", " 1", "1 ", "+1", "-1", "1,2"})
        EXPECT_FALSE(parseVersion(QString::fromLatin1(text))) << '"' << text << '"';
    EXPECT_FALSE(parseVersion(QString::fromUtf8("\u0661.2"))); // an Arabic-Indic digit
    EXPECT_TRUE(parseVersion("0.3"));
}
