// SPDX-License-Identifier: GPL-3.0-or-later
// The crossings between the receive thread and the GUI thread, driven hard
// from both sides; meant to run under ThreadSanitizer as well.
#include "live/sample_handoff.h"
#include "livelog/log_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

TEST(SampleHandoff, PointsArriveInOrderWithKeysFromTheFirstPointAfterARestart)
{
    live::SampleHandoff handoff;
    handoff.pushPoint(1, 2, 3);
    handoff.pushPoint(4, 5, 6);
    std::vector<live::ChartPoint> points = handoff.takePoints();
    ASSERT_EQ(points.size(), 2u);
    EXPECT_GE(points[0].key, 0.0);
    EXPECT_LT(points[0].key, 0.5);
    EXPECT_LE(points[0].key, points[1].key);
    EXPECT_EQ(points[1].z, 6);
    EXPECT_TRUE(handoff.takePoints().empty());

    handoff.pushPoint(7, 8, 9);
    handoff.restartTimeBase();
    EXPECT_TRUE(handoff.takePoints().empty()) << "points from before the restart are dropped";
}

TEST(SampleHandoff, KeysStayMillisecondApartAfterADay)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start{};
    Clock::time_point now = start;
    live::SampleHandoff handoff;
    handoff.setClock([&now] { return now; });
    handoff.pushPoint(0, 0, 0);
    for (const int ms : {0, 5, 10, 11}) {
        now = start + std::chrono::hours(24) + std::chrono::milliseconds(ms);
        handoff.pushPoint(0, 0, 0);
    }
    const std::vector<live::ChartPoint> points = handoff.takePoints();
    ASSERT_EQ(points.size(), 5u);
    EXPECT_EQ(points[1].key, 86400.0);
    EXPECT_EQ(points[2].key, 86400.005);
    EXPECT_EQ(points[3].key, 86400.010);
    EXPECT_EQ(points[4].key, 86400.011);
}

TEST(SampleHandoff, ConcurrentPushesAndTakesLoseNothing)
{
    live::SampleHandoff handoff;
    constexpr int count = 50000;
    std::thread producer([&] {
        for (int i = 0; i < count; ++i) {
            handoff.pushPoint(i, i, i);
            IMUserial::sensor_data sample{};
            sample.angle = {float(i), float(i), float(i)};
            handoff.storeSample(sample);
        }
    });
    int received = 0;
    double last = -1;
    bool ordered = true;
    bool consistentAngles = true;
    while (received < count) {
        for (const live::ChartPoint &p : handoff.takePoints()) {
            ordered &= p.x == last + 1;
            last = p.x;
            ++received;
        }
        if (const auto sample = handoff.latestSample()) {
            const IMUserial::vec3 &a = sample->angle;
            consistentAngles &= a.x == a.y && a.y == a.z;
        }
    }
    producer.join();
    EXPECT_EQ(received, count);
    EXPECT_TRUE(ordered);
    EXPECT_TRUE(consistentAngles) << "the three angles of one sample travel together";
}

TEST(LogQueue, SignalsAFlushOnlyForTheFirstWaitingLine)
{
    livelog::LogQueue queue;
    EXPECT_TRUE(queue.push("a"));
    EXPECT_FALSE(queue.push("b"));
    EXPECT_EQ(queue.takeAll(), (QStringList{"a", "b"}));
    EXPECT_TRUE(queue.push("c"));
}

TEST(LogQueue, KeepsOnlyTheNewestLinesTheLogCouldShow)
{
    livelog::LogQueue queue;
    queue.setCapacity(3);
    for (const char *line : {"1", "2", "3", "4", "5"})
        queue.push(line);
    EXPECT_EQ(queue.takeAll(), (QStringList{"3", "4", "5"}));
    for (const char *line : {"1", "2", "3"})
        queue.push(line);
    queue.setCapacity(1);
    EXPECT_EQ(queue.takeAll(), QStringList{"3"});
}

TEST(LogQueue, ConcurrentWritersKeepTheirOwnOrder)
{
    livelog::LogQueue queue;
    queue.setCapacity(1000000);
    constexpr int perWriter = 50000;
    std::atomic<int> flushes{0};
    auto writer = [&](QChar tag) {
        for (int i = 0; i < perWriter; ++i)
            flushes += queue.push(QString(tag) + QString::number(i));
    };
    std::thread a(writer, 'a');
    std::thread b(writer, 'b');
    QStringList all;
    for (int i = 0; i < 1000 && all.size() < 2 * perWriter; ++i)
        all += queue.takeAll();
    a.join();
    b.join();
    all += queue.takeAll();
    ASSERT_EQ(all.size(), 2 * perWriter);
    int nextA = 0;
    int nextB = 0;
    for (const QString &line : all) {
        int &next = line[0] == 'a' ? nextA : nextB;
        ASSERT_EQ(line.mid(1).toInt(), next++);
    }
    EXPECT_GE(flushes.load(), 1);
}
