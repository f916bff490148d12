#include "noise/noise_parameters.h"

#include <cmath>
#include <cstdio>
#include <tuple>

namespace noise {

namespace {

// How far a local slope may stray from a line's and still lie on it. At 0.1
// from -1/2 (or +1/2) white noise and random walk alone give sigma within
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

bool determined(const Slope &slope)
{
    return slope.uncertainty <= kSlopeTolerance;
}

double relativeError(const AllanPoint &p)
{
    return p.error / p.deviation;
}

// The local log-log slope of each point with its one-sigma uncertainty from the
// error bars at the secant's ends (taken as independent, which overstates it).
// The secant reaches at least the next point either side.
std::vector<Slope> slopes(const AllanCurve &curve)
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
        if (from == to)
            continue;
        const double span = std::log(curve[to].tau / curve[from].tau);
        out[i].value = std::log(curve[to].deviation / curve[from].deviation) / span;
        out[i].uncertainty =
            std::hypot(relativeError(curve[from]), relativeError(curve[to])) / span;
    }
    return out;
}

// Points whose slope is known to within the tolerance, and lies within it of
// `target`.
std::vector<bool> onLine(const std::vector<Slope> &slope, double target)
{
    std::vector<bool> on(slope.size(), false);
    for (std::size_t i = 0; i < slope.size(); ++i)
        on[i] = determined(slope[i]) && std::abs(slope[i].value - target) <= kSlopeTolerance;
    return on;
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

// Why a line was not found, with the longest averaging time whose slope is
// well enough known.
std::string noLine(const AllanCurve &curve, const std::vector<Slope> &slope, const char *lineName)
{
    double longest = 0;
    for (std::size_t i = 0; i < curve.size(); ++i)
        if (determined(slope[i]))
            longest = curve[i].tau;
    if (longest == 0)
        return "the record is too short for any slope of the curve: record longer";
    return std::string("no stretch of slope ") + lineName + " over " +
           std::to_string(kLeastPoints) + " averaging times" +
           text(" up to %.3g s, the longest well determined: record longer or keep the module "
                "stiller",
                longest);
}

// Reads the line of slope `target` at `tauRead`: the error-weighted mean, in
// logarithms, of each point's sigma carried along the line to `tauRead`, over
// the run of points on the line that carries the most weight.
ReadParameter readLine(const AllanCurve &curve, const std::vector<Slope> &slope, double target,
                       double tauRead, const char *lineName)
{
    const std::vector<bool> on = onLine(slope, target);
    std::size_t bestFrom = 0, bestTo = 0;
    double bestWeight = 0;
    for (std::size_t from = 0; from < curve.size();) {
        std::size_t to = from;
        double total = 0;
        while (to < curve.size() && on[to])
            total += weight(curve[to++]);
        if (to - from >= kLeastPoints && total > bestWeight)
            bestFrom = from, bestTo = to, bestWeight = total;
        from = to == from ? from + 1 : to;
    }
    if (bestWeight == 0)
        return {std::nullopt, 0, 0, noLine(curve, slope, lineName)};
    double sum = 0;
    for (std::size_t i = bestFrom; i < bestTo; ++i)
        sum += weight(curve[i]) *
               std::log(curve[i].deviation * std::pow(tauRead / curve[i].tau, target));
    return {std::exp(sum / bestWeight), curve[bestFrom].tau, curve[bestTo - 1].tau, {}};
}

// The lowest well-determined point, if the curve is flat there, and the flat
// stretch around it.
std::pair<ReadParameter, double> readFloor(const AllanCurve &curve, const std::vector<Slope> &slope)
{
    const std::vector<bool> flat = onLine(slope, 0);
    std::size_t lowest = curve.size();
    for (std::size_t i = 0; i < curve.size(); ++i)
        if (determined(slope[i]) &&
            (lowest == curve.size() || curve[i].deviation < curve[lowest].deviation))
            lowest = i;
    if (lowest == curve.size())
        return {{std::nullopt, 0, 0,
                 "the record is too short for any slope of the curve: record longer"},
                0};
    if (!flat[lowest])
        return {{std::nullopt, 0, 0,
                 slope[lowest].value < 0
                     ? text("the curve still falls at %.3g s, the longest averaging time well "
                            "determined: record longer",
                            curve[lowest].tau)
                     : text("the curve rises from %.3g s on: no flat minimum", curve[lowest].tau)},
                0};
    std::size_t from = lowest, to = lowest;
    while (from > 0 && flat[from - 1])
        --from;
    while (to + 1 < curve.size() && flat[to + 1])
        ++to;
    return {{curve[lowest].deviation / kFlickerFloor, curve[from].tau, curve[to].tau, {}},
            curve[lowest].tau};
}

} // namespace

NoiseParameters readNoiseParameters(const AllanCurve &curve)
{
    const std::vector<Slope> slope = slopes(curve);
    NoiseParameters parameters;
    parameters.whiteNoise = readLine(curve, slope, -0.5, 1, "-1/2");
    std::tie(parameters.biasInstability, parameters.biasInstabilityTau) = readFloor(curve, slope);
    parameters.randomWalk = readLine(curve, slope, 0.5, 3, "+1/2");
    return parameters;
}

} // namespace noise
