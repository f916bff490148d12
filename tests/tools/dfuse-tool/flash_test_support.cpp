// SPDX-License-Identifier: GPL-3.0-or-later
#include "flash_test_support.h"

#include <gtest/gtest.h>

#include <sstream>

namespace dfutest {

namespace {

struct ProgressStep
{
    std::string phase;
    std::uint64_t done = 0;
    std::uint64_t total = 0;
};

std::vector<ProgressStep> progressSteps(const std::string &out)
{
    std::vector<ProgressStep> steps;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string first;
        ProgressStep step;
        if (words >> first >> step.phase >> step.done >> step.total && first == "progress")
            steps.push_back(step);
    }
    return steps;
}

} // namespace

std::vector<std::uint8_t> dfuseBytes(std::vector<dfu::ImageElement> elements,
                                     std::uint16_t productId)
{
    dfu::DfuseFile file;
    file.targets.push_back({});
    file.targets[0].elements = std::move(elements);
    file.suffix.productId = productId;
    return dfu::serializeDfuse(file);
}

void expectProgressPhases(const std::string &out, const std::vector<ProgressPhase> &phases)
{
    const auto steps = progressSteps(out);
    std::size_t at = 0;
    for (const ProgressPhase &phase : phases) {
        SCOPED_TRACE(phase.name);
        std::size_t count = 0;
        std::uint64_t last = 0;
        for (; at < steps.size() && steps[at].phase == phase.name; ++at, ++count) {
            EXPECT_EQ(steps[at].total, phase.total);
            if (count == 0) {
                EXPECT_EQ(steps[at].done, 0u);
            }
            EXPECT_GE(steps[at].done, last);
            EXPECT_LE(steps[at].done, phase.total);
            last = steps[at].done;
        }
        EXPECT_GE(count, phase.leastSteps);
        EXPECT_EQ(last, phase.total);
    }
    EXPECT_EQ(at, steps.size()) << "progress after the last phase, or phases out of order";
}

} // namespace dfutest
