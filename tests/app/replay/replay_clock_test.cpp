// SPDX-License-Identifier: GPL-3.0-or-later
// How a replay's position moves: seeking by time and by samples, and playing.
#include "replay/replay_clock.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// 0, 0.01, ... 0.99 s, with a repeated time at 0.5 s.
std::vector<double> hundredTimes()
{
    std::vector<double> times;
    for (int i = 0; i < 100; ++i)
        times.push_back(i == 51 ? 0.5 : i * 0.01);
    return times;
}

} // namespace

TEST(ReplayClock, SeeksToTheLastSampleAtOrBeforeATimeAndClampsAtTheEnds)
{
    replay::ReplayClock clock;
    clock.setTimes(hundredTimes());
    struct Case
    {
        double seconds;
        std::size_t position;
    };
    for (const Case c : {Case{-1, 0}, Case{0.005, 0}, Case{0.5, 51}, Case{0.515, 51},
                         Case{0.52, 52}, Case{50, 99}}) {
        clock.seekTime(c.seconds);
        EXPECT_EQ(clock.position(), c.position) << c.seconds;
    }
    clock.step(5);
    EXPECT_EQ(clock.position(), 99u);
    clock.step(-200);
    EXPECT_EQ(clock.position(), 0u);
}

TEST(ReplayClock, PlaysForwardWithoutGoingBackAndStopsAtTheLastSample)
{
    for (const double speed : {16.0, replay::kEverySample}) {
        replay::ReplayClock clock;
        clock.setTimes(hundredTimes());
        clock.setSpeed(speed);
        std::vector<std::size_t> visited;
        QObject::connect(&clock, &replay::ReplayClock::positionChanged,
                         [&](std::size_t position) { visited.push_back(position); });
        clock.play();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !clock.isPlaying(); }, 20000)) << speed;
        EXPECT_EQ(clock.position(), 99u);
        EXPECT_TRUE(std::is_sorted(visited.begin(), visited.end())) << speed;
        if (speed == replay::kEverySample) {
            EXPECT_EQ(visited.size(), 99u) << "each sample in turn";
        }
        clock.play();
        EXPECT_EQ(clock.position(), 0u) << "from the end it plays again from the start";
    }
}
