// SPDX-License-Identifier: GPL-3.0-or-later
// The chart's history: older points summarised per bucket by their lowest and
// highest point, the recent part kept whole, bounded memory at any rate; and
// a long plot in the window keeping its live view at full resolution.
#include "chart/chart_controller.h"
#include "chart/chart_history.h"
#include "window_fixture.h"

#include <QCheckBox>

#include <qcustomplot.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <random>
#include <thread>
#include <utility>
#include <vector>

namespace {

using Points = std::vector<std::pair<double, double>>;

QCPGraphDataContainer container(const Points &points)
{
    QCPGraphDataContainer data;
    for (const auto &[key, value] : points)
        data.add(QCPGraphData(key, value));
    return data;
}

Points pointsOf(const QVector<QCPGraphData> &data)
{
    Points points;
    for (const QCPGraphData &p : data)
        points.emplace_back(p.key, p.value);
    return points;
}

Points pointsOf(const QCPGraphDataContainer &data)
{
    return pointsOf(QVector<QCPGraphData>(data.constBegin(), data.constEnd()));
}

// A noisy random walk sampled at `rate` from key 0 for `seconds`.
Points walk(double seconds, double rate, unsigned seed = 7)
{
    std::mt19937 random(seed);
    std::normal_distribution<double> step(0, 1);
    Points points;
    double value = 0;
    for (long n = 0; n < long(seconds * rate); ++n) {
        value += step(random);
        points.emplace_back(double(n) / rate, value);
    }
    return points;
}

// The lowest and highest value of the points with keys in [from, to).
std::pair<double, double> band(const Points &points, double from, double to)
{
    double low = INFINITY;
    double high = -INFINITY;
    for (const auto &[key, value] : points)
        if (key >= from && key < to) {
            low = std::min(low, value);
            high = std::max(high, value);
        }
    return {low, high};
}

Points withKeysFrom(const Points &points, double from)
{
    Points tail;
    std::copy_if(points.begin(), points.end(), std::back_inserter(tail),
                 [&](const auto &p) { return p.first >= from; });
    return tail;
}

// Small limits, so that every rule shows on a few points.
constexpr chart::Limits small{/*recentSeconds=*/10, /*recentPoints=*/1000,
                              /*minimumRecentSeconds=*/2, /*bucketSeconds=*/1,
                              /*maxBuckets=*/64};

} // namespace

TEST(ChartHistory, EachOldBucketKeepsItsLowestAndHighestPointInTimeOrder)
{
    const Points recent = {{20, 1}, {25, 2}, {30, 3}};
    Points points = {{0.1, 5}, {0.4, -3}, {0.6, 9}, {0.9, 0}, // low before high
                     {1.2, 7}, {1.5, 1},  {1.7, 4},           // high before low
                     {2.5, 4},                                // alone
                     {3.1, 2}, {3.6, 2},                      // flat: one point
                     {7.5, -1}};
    points.insert(points.end(), recent.begin(), recent.end());
    Points expected = {{0.4, -3}, {0.6, 9}, {1.2, 7}, {1.5, 1}, {2.5, 4}, {3.1, 2}, {7.5, -1}};
    expected.insert(expected.end(), recent.begin(), recent.end());
    EXPECT_EQ(pointsOf(chart::compacted(container(points), small)), expected);
    EXPECT_TRUE(chart::compacted(QCPGraphDataContainer(), small).isEmpty());
}

TEST(ChartHistory, TheBandOfEveryOldBucketSurvivesAndTheRecentPartIsUntouched)
{
    const Points points = walk(400, 200);
    const QVector<QCPGraphData> once = chart::compacted(container(points), chart::kChartLimits);
    const Points result = pointsOf(once);
    const double newest = points.back().first;
    const double recentFrom = newest - chart::kChartLimits.recentSeconds;
    EXPECT_EQ(withKeysFrom(result, recentFrom), withKeysFrom(points, recentFrom));
    for (double second = 0; second < std::floor(recentFrom); ++second)
        ASSERT_EQ(band(result, second, second + 1), band(points, second, second + 1))
            << "bucket at " << second;
    EXPECT_LE(result.size(), 2 * 100 + withKeysFrom(points, recentFrom).size());
    EXPECT_TRUE(std::is_sorted(result.begin(), result.end()));

    QCPGraphDataContainer again;
    again.set(once, true);
    EXPECT_EQ(pointsOf(chart::compacted(again, chart::kChartLimits)), result)
        << "compacting twice changes nothing more";
}

TEST(ChartHistory, FullResolutionIsBoundedByCountButNeverShorterThanTheLiveView)
{
    const chart::Limits &limits = chart::kChartLimits;
    ASSERT_EQ(limits.minimumRecentSeconds, chart::ChartController::kVisibleSeconds);
    for (const double rate : {20'000.0, 50'000.0}) {
        const Points points = walk(30, rate);
        const Points result = pointsOf(chart::compacted(container(points), chart::kChartLimits));
        const double newest = points.back().first;
        const Points live = withKeysFrom(points, newest - chart::ChartController::kVisibleSeconds);
        ASSERT_GE(result.size(), live.size());
        EXPECT_TRUE(std::equal(live.begin(), live.end(), result.end() - live.size()))
            << "the live view is whole at " << rate;
        const std::size_t recentBound = std::max(limits.recentPoints, live.size());
        EXPECT_LE(result.size(), recentBound + 2 * 31) << rate;
    }
}

// As in the window: points arrive in slices and the curve is compacted after
// each; its size stays bounded however long the history grows, and the band
// of the whole history survives the buckets' widening.
TEST(ChartHistory, AGrowingHistoryStaysBoundedAndKeepsItsBand)
{
    const Points points = walk(2000, 50);
    const std::size_t perSlice = 5 * 50;
    const std::size_t bound = small.recentPoints + 2 * (small.maxBuckets + 1) + perSlice;
    QCPGraphDataContainer curve;
    for (std::size_t from = 0; from < points.size(); from += perSlice) {
        for (std::size_t i = from; i < std::min(points.size(), from + perSlice); ++i)
            curve.add(QCPGraphData(points[i].first, points[i].second));
        curve.set(chart::compacted(curve, small), true);
        ASSERT_LE(std::size_t(curve.size()), bound) << "after key " << points[from].first;
    }
    const Points result = pointsOf(curve);
    EXPECT_EQ(band(result, 0, 2000), band(points, 0, 2000));
    EXPECT_EQ(band(result, 0, 1024), band(points, 0, 1024)) << "a 32 s bucket boundary";
    EXPECT_EQ(withKeysFrom(result, 1990), withKeysFrom(points, 1990));
    EXPECT_EQ(pointsOf(chart::compacted(curve, small)), result);
}

class ChartHistoryWindow : public WindowTest
{
protected:
    static constexpr int rate = 200;

    QCustomPlot *chart() { return find<QCustomPlot>("widgetChart"); }
    double newestKey() { return chart::newestKey(*chart()->graph(0)->data()); }
    static float valueOf(long n) { return float(std::sin(n * 0.01) * 10); }

    // The chart's clock reads the index of the sample being sent.
    void driveTheClock()
    {
        const auto start = live::SampleHandoff::Clock::now();
        window->setChartClock(
            [this, start] { return start + std::chrono::milliseconds(sent * 1000 / rate); });
    }

    // Samples come from another thread, as from the library's receive thread.
    void sendUntil(long end)
    {
        std::thread([&] {
            for (; sent < end; ++sent) {
                IMUserial::sensor_data sample{};
                sample.angle = {valueOf(sent), 0, 0};
                ASSERT_TRUE(device().emitSample(sample));
            }
        }).join();
    }

    std::atomic<long> sent{0};
};

// Fifteen minutes at 200 samples/s fed through the device with a driven
// clock, in slices of a minute as the refresh takes them.
TEST_F(ChartHistoryWindow, ALongPlotIsCompactedAndTheLiveViewKeepsEveryPoint)
{
    driveTheClock();
    find<QCheckBox>("checkBox_display")->setChecked(false);
    connectDevice();
    click("pushButtonStartPlot");
    constexpr int minutes = 15;
    for (int minute = 1; minute <= minutes; ++minute) {
        sendUntil(long(minute) * 60 * rate);
        const float last = float(sent - 1) / rate;
        ASSERT_TRUE(waitUntil([&] { return newestKey() >= last - 1e-3; })) << minute;
    }

    const auto data = chart()->graph(0)->data();
    EXPECT_GT(data->size(), 5 * 60 * rate) << "five minutes stay whole";
    EXPECT_LT(data->size(), 5 * 60 * rate + 2 * 10 * 60 + 5 * rate) << "of " << sent;
    const double newest = newestKey();
    EXPECT_EQ(chart()->xAxis->range(),
              QCPRange(newest - chart::ChartController::kVisibleSeconds, newest));
    auto it = data->findBegin(newest - chart::ChartController::kVisibleSeconds, false);
    const long firstShown = std::lround(it->key * rate);
    EXPECT_LE(firstShown, sent - long(chart::ChartController::kVisibleSeconds * rate));
    for (long n = firstShown; n < sent; ++n, ++it) {
        ASSERT_NE(it, data->constEnd()) << n;
        ASSERT_NEAR(it->key, double(n) / rate, 1e-3) << n;
        ASSERT_EQ(it->value, valueOf(n)) << n;
    }
    EXPECT_EQ(it, data->constEnd());
    const auto oldPoints = data->findBegin(60, false) - data->constBegin();
    EXPECT_LE(oldPoints, 2 * 60) << "the first minute is a band of one-second buckets";
    EXPECT_GE(oldPoints, 60);
}
