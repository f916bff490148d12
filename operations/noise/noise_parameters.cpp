// SPDX-License-Identifier: GPL-3.0-or-later
#include "noise/noise_parameters.h"

#include <cmath>
#include <cstdio>
#include <tuple>

namespace noise {

namespace {

// How far a slope may stray from a line's and still lie on it. At 0.1 from
// -1/2 (or +1/2), white noise and random walk together give sigma within
// 5.4 % of the line's (docs/noise-analysis.md).
constexpr double kSlopeTolerance = 0.1;
// The slope at a point is the secant to the points up to this many decades
// either side: two steps of the grid, with room for the rounding of the
// cluster sizes.
constexpr double kSlopeHalfSpan = 2.5 / kPointsPerDecade;
// A line is read from at least this many points.
constexpr std::size_t kLeastPoints = 3;
// sigma = B * sqrt(2 ln 2 / pi) on the flicker floor.
constexpr double kFlickerFloor = 0.664;

struct Slope
{
    double value = 0;
    double uncertainty = INFINITY; // a point alone has no slope
};

double relativeError(const AllanPoint &p)
{
    return p.error / p.deviation;
}

// The log-log slope between two points, its one-sigma uncertainty from their
// error bars (taken as independent, which overstates it).
Slope secant(const AllanPoint &from, const AllanPoint &to)
{
    const double span = std::log(to.tau / from.tau);
    return {std::log(to.deviation / from.deviation) / span,
            std::hypot(relativeError(from), relativeError(to)) / span};
}

bool determined(const Slope &slope)
{
    return slope.uncertainty <= kSlopeTolerance;
}

// The local slope of each point: the secant over kSlopeHalfSpan either side,
// reaching at least the next point.
std::vector<Slope> localSlopes(const AllanCurve &curve)
{
    std::vector<Slope> out(curve.size());
    for (std::size_t i = 0; i < curve.size(); ++i) {
        const double at = std::log10(curve[i].tau);
        std::size_t from = i;
        std::size_t to = i;
        while (from > 0 && (from == i || at - std::log10(curve[from - 1].tau) <= kSlopeHalfSpan))
            --from;
        while (to + 1 < curve.size() &&
               (to == i || std::log10(curve[to + 1].tau) - at <= kSlopeHalfSpan))
            ++to;
        if (from != to)
            out[i] = secant(curve[from], curve[to]);
    }
    return out;
}

// Within the tolerance of `target`, widened by the slope's own uncertainty:
// at long averaging times the local slopes scatter more than the tolerance.
bool consistent(const Slope &slope, double target)
{
    return std::abs(slope.value - target) <= kSlopeTolerance + slope.uncertainty;
}

double weight(const AllanPoint &p)
{
    return 1 / (relativeError(p) * relativeError(p));
}

std::string text(const char *format, double value)
{
    char buffer[160];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

// The longest averaging time whose local slope is known to the tolerance.
double longestDetermined(const AllanCurve &curve, const std::vector<Slope> &slopes)
{
    double longest = 0;
    for (std::size_t i = 0; i < curve.size(); ++i)
        if (determined(slopes[i]))
            longest = curve[i].tau;
    return longest;
}

std::string noLine(const AllanCurve &curve, const std::vector<Slope> &slopes, const char *lineName)
{
    const double longest = longestDetermined(curve, slopes);
    if (longest == 0)
        return "the record is too short for any slope of the curve: record longer";
    return std::string("no stretch of slope ") + lineName + " over " +
           std::to_string(kLeastPoints) + " averaging times" +
           text(" (slopes known up to %.3g s): record longer or keep the module stiller", longest);
}

// The stretch of the line of slope `target`: points each consistent with it,
// at least kLeastPoints, whose end-to-end slope is within the tolerance of it
// and known to the tolerance; of those the one that carries the most weight.
// Empty (from == to) when there is none.
std::pair<std::size_t, std::size_t> stretchOf(const AllanCurve &curve,
                                              const std::vector<Slope> &slopes, double target)
{
    std::pair<std::size_t, std::size_t> best{0, 0};
    double bestWeight = 0;
    for (std::size_t from = 0; from < curve.size(); ++from) {
        double total = 0;
        for (std::size_t to = from; to < curve.size() && consistent(slopes[to], target); ++to) {
            total += weight(curve[to]);
            const Slope overall = secant(curve[from], curve[to]);
            if (to + 1 - from >= kLeastPoints && determined(overall) &&
                std::abs(overall.value - target) <= kSlopeTolerance && total > bestWeight)
                best = {from, to + 1}, bestWeight = total;
        }
    }
    return best;
}

// Reads the line of slope `target` at `tauRead`: the error-weighted mean, in
// logarithms, of each point of its stretch carried along the line to `tauRead`.
ReadParameter readLine(const AllanCurve &curve, const std::vector<Slope> &slopes, double target,
                       double tauRead, const char *lineName)
{
    const auto [from, to] = stretchOf(curve, slopes, target);
    if (from == to)
        return {std::nullopt, 0, 0, noLine(curve, slopes, lineName)};
    double sum = 0, total = 0;
    for (std::size_t i = from; i < to; ++i) {
        sum += weight(curve[i]) *
               std::log(curve[i].deviation * std::pow(tauRead / curve[i].tau, target));
        total += weight(curve[i]);
    }
    return {std::exp(sum / total), curve[from].tau, curve[to - 1].tau, {}};
}

// The lowest point whose local slope is known to the tolerance, if the curve is
// flat there, and the flat stretch around it.
std::pair<ReadParameter, double> readFloor(const AllanCurve &curve,
                                           const std::vector<Slope> &slopes)
{
    const auto flat = [&](std::size_t i) {
        return determined(slopes[i]) && std::abs(slopes[i].value) <= kSlopeTolerance;
    };
    std::size_t lowest = curve.size();
    for (std::size_t i = 0; i < curve.size(); ++i)
        if (determined(slopes[i]) &&
            (lowest == curve.size() || curve[i].deviation < curve[lowest].deviation))
            lowest = i;
    if (lowest == curve.size())
        return {{std::nullopt, 0, 0,
                 "the record is too short for any slope of the curve: record longer"},
                0};
    if (!flat(lowest))
        return {{std::nullopt, 0, 0,
                 slopes[lowest].value < 0
                     ? text("the curve still falls at %.3g s, the longest averaging time whose "
                            "slope is known: record longer",
                            curve[lowest].tau)
                     : text("the curve rises from %.3g s on: no flat minimum", curve[lowest].tau)},
                0};
    std::size_t from = lowest, to = lowest;
    while (from > 0 && flat(from - 1))
        --from;
    while (to + 1 < curve.size() && flat(to + 1))
        ++to;
    return {{curve[lowest].deviation / kFlickerFloor, curve[from].tau, curve[to].tau, {}},
            curve[lowest].tau};
}

} // namespace

NoiseParameters readNoiseParameters(const AllanCurve &curve)
{
    const std::vector<Slope> slopes = localSlopes(curve);
    NoiseParameters parameters;
    parameters.whiteNoise = readLine(curve, slopes, -0.5, 1, "-1/2");
    std::tie(parameters.biasInstability, parameters.biasInstabilityTau) = readFloor(curve, slopes);
    parameters.randomWalk = readLine(curve, slopes, 0.5, 3, "+1/2");
    return parameters;
}

} // namespace noise
