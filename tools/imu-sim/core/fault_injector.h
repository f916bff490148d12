// SPDX-License-Identifier: GPL-3.0-or-later
// Faults the simulator can be told to commit, so that the host side can be
// tested against a misbehaving module.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <random>
#include <set>
#include <vector>

namespace imusim {

struct FaultOptions
{
    double corruptRate = 0;                  // chance per sent byte of a flipped bit
    double dropRate = 0;                     // chance per sent byte of being left out
    double skipRate = 0;                     // chance per due sample of being counted but not sent
    std::chrono::milliseconds replyDelay{0}; // every reply this much later
    std::set<std::uint8_t> withheldReplies;  // commands executed but never answered
    bool withholdAllReplies = false;
    std::set<std::uint8_t> failedCommands;    // commands answered with a failure, not executed
    std::set<std::uint8_t> pretendedCommands; // commands answered with success, not executed
    std::optional<std::chrono::milliseconds> vanishAfter; // port withdrawn and process ends

    bool withholds(std::uint8_t command) const
    {
        return withholdAllReplies || withheldReplies.count(command) != 0;
    }
    bool fails(std::uint8_t command) const { return failedCommands.count(command) != 0; }
    bool pretends(std::uint8_t command) const { return pretendedCommands.count(command) != 0; }
};

// Damages the byte stream on its way out, reproducibly for a given seed.
class ByteDamager
{
public:
    ByteDamager(double corruptRate, double dropRate, std::uint32_t seed);

    bool active() const { return corruptRate_ > 0 || dropRate_ > 0; }
    // Damages bytes[from, end) in place.
    void damage(std::vector<std::uint8_t> &bytes, std::size_t from);

    std::uint64_t corrupted() const { return corrupted_; }
    std::uint64_t dropped() const { return dropped_; }

private:
    double corruptRate_;
    double dropRate_;
    std::mt19937 random_;
    std::uniform_real_distribution<double> chance_{0.0, 1.0};
    std::uniform_int_distribution<int> bit_{0, 7};
    std::uint64_t corrupted_ = 0;
    std::uint64_t dropped_ = 0;
};

// Leaves out whole samples, reproducibly for a given seed: the module counts
// them but never sends them, as one whose output buffer overflowed.
class SampleSkipper
{
public:
    SampleSkipper(double rate, std::uint32_t seed) : rate_(rate), random_(seed) {}

    bool skips() { return rate_ > 0 && chance_(random_) < rate_; }

private:
    double rate_;
    std::mt19937 random_;
    std::uniform_real_distribution<double> chance_{0.0, 1.0};
};

} // namespace imusim
