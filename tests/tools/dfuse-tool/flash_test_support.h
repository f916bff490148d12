// SPDX-License-Identifier: GPL-3.0-or-later
// What the flash tests over the socket and over USB share: building DfuSe
// files and reading the progress lines a flash prints.
#pragma once

#include "dfuse_file.h"

#include <cstdint>
#include <string>
#include <vector>

namespace dfutest {

std::vector<std::uint8_t> dfuseBytes(std::vector<dfu::ImageElement> elements,
                                     std::uint16_t productId = dfu::kBootloaderProductId);

struct ProgressPhase
{
    std::string name;
    std::uint64_t total = 0;
    std::size_t leastSteps = 0; // lines expected at least, the first one at 0
};

// Checks that the progress lines of `out` are exactly `phases` in order, each
// from 0 to its total without going back.
void expectProgressPhases(const std::string &out, const std::vector<ProgressPhase> &phases);

} // namespace dfutest
