// SPDX-License-Identifier: GPL-3.0-or-later
#include "calibration/calibration_json.h"
#include "calibration/calibration_text.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cfloat>
#include <cstring>

namespace {

// Values whose shortest decimal text differs between float and double, so a
// writer that goes through the wrong precision is caught.
calibration::Sets distinctiveSets()
{
    calibration::Sets sets = calibration::neutralSets();
    sets.imu1.gyr_bias[0] = 0.1f;
    sets.imu1.gyr_bias[1] = -0.22f;
    sets.imu1.gyr_bias[2] = FLT_MIN / 4; // subnormal
    sets.imu1.acc_mis[4] = 1.0000001f;
    sets.imu2.acc_bias[2] = -FLT_MAX;
    sets.imu2.gyr_mis[8] = 3.3333333f;
    sets.mag.mag_bias[0] = 12.345678f;
    sets.mag.mag_radii[2] = 47.5f;
    return sets;
}

QByteArray withValue(const QByteArray &json, const QString &set, const QString &field,
                     const QJsonValue &value)
{
    QJsonObject root = QJsonDocument::fromJson(json).object();
    QJsonObject object = root[set].toObject();
    object[field] = value;
    root[set] = object;
    return QJsonDocument(root).toJson();
}

} // namespace

TEST(CalibrationJson, EveryValueReadsBackBitForBit)
{
    const calibration::Sets written = distinctiveSets();
    const calibration::Parsed parsed = calibration::fromJson(calibration::toJson(written));
    ASSERT_TRUE(parsed.sets) << parsed.error.toStdString();
    EXPECT_EQ(std::memcmp(&parsed.sets->imu1, &written.imu1, sizeof written.imu1), 0);
    EXPECT_EQ(std::memcmp(&parsed.sets->imu2, &written.imu2, sizeof written.imu2), 0);
    EXPECT_EQ(std::memcmp(&parsed.sets->mag, &written.mag, sizeof written.mag), 0);
}

TEST(CalibrationJson, NamesAndLayoutAreThoseDocumented)
{
    const QJsonObject root =
        QJsonDocument::fromJson(calibration::toJson(distinctiveSets())).object();
    EXPECT_EQ(root.keys(), (QStringList{"imu1", "imu2", "mag"}));
    EXPECT_EQ(root["imu1"].toObject().keys(),
              (QStringList{"acc_bias", "acc_mis", "gyr_bias", "gyr_mis"}));
    EXPECT_EQ(root["mag"].toObject().keys(), (QStringList{"mag_bias", "mag_mis", "mag_radii"}));
    EXPECT_EQ(root["imu1"]["gyr_bias"][1].toDouble(), double(-0.22f));
    // Row-major: the second row's first element of the identity is zero.
    EXPECT_EQ(root["mag"]["mag_mis"][3].toDouble(), 0.0);
    EXPECT_EQ(root["mag"]["mag_mis"][4].toDouble(), 1.0);
}

TEST(CalibrationJson, RefusesDocumentsThatDoNotHoldThreeCompleteSets)
{
    const QByteArray good = calibration::toJson(distinctiveSets());
    QJsonObject withoutMag = QJsonDocument::fromJson(good).object();
    withoutMag.remove("mag");
    const struct
    {
        QByteArray text;
        const char *errorNames;
    } cases[] = {
        {"{\"imu1\": ", "not JSON"},
        {"[1, 2, 3]", "object"},
        {QJsonDocument(withoutMag).toJson(), "\"mag\""},
        {withValue(good, "imu2", "gyr_mis", QJsonArray{1, 0, 0}), "imu2.gyr_mis"},
        {withValue(good, "imu1", "acc_bias", QJsonArray{1, "2", 3}), "imu1.acc_bias"},
        {withValue(good, "mag", "mag_radii", QJsonArray{1, 1e39, 1}), "mag.mag_radii"},
        {withValue(good, "mag", "mag_bias", "0 0 0"), "mag.mag_bias"},
    };
    for (const auto &testCase : cases) {
        const calibration::Parsed parsed = calibration::fromJson(testCase.text);
        EXPECT_FALSE(parsed.sets) << testCase.text.toStdString();
        EXPECT_TRUE(parsed.error.contains(testCase.errorNames))
            << parsed.error.toStdString() << " for " << testCase.text.toStdString();
    }
}

TEST(CalibrationJson, IgnoresKeysItDoesNotKnow)
{
    QByteArray json =
        withValue(calibration::toJson(distinctiveSets()), "imu1", "note", "from the bench");
    QJsonObject root = QJsonDocument::fromJson(json).object();
    root["module"] = "ORV000001";
    EXPECT_TRUE(calibration::fromJson(QJsonDocument(root).toJson()).sets);
}
