// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes either parse into a file that writes back to a parseable file with
// the same elements, or are refused with an InputError. Each input is also
// tried with a freshly computed CRC, so the structure checks behind the CRC
// check get exercised too. Every parsed file also goes through the flasher's
// application checks, which must give a reason or pass, never read outside.
#include "application_check.h"
#include "byte_order.h"
#include "crc32.h"
#include "dfuse_file.h"
#include "input_error.h"

#include <cstdlib>

namespace {

void checkRoundTrip(const std::vector<std::uint8_t> &bytes)
{
    try {
        const dfu::DfuseFile file = dfu::parseDfuse(bytes);
        for (const dfu::DfuseTarget &target : file.targets)
            (void)dfu::checkApplicationImage(target.elements);
        const dfu::DfuseFile again = dfu::parseDfuse(dfu::serializeDfuse(file));
        if (again.targets.size() != file.targets.size())
            std::abort();
        for (std::size_t t = 0; t < file.targets.size(); ++t) {
            const auto &a = file.targets[t].elements;
            const auto &b = again.targets[t].elements;
            if (a.size() != b.size())
                std::abort();
            for (std::size_t e = 0; e < a.size(); ++e)
                if (a[e].address != b[e].address || a[e].data != b[e].data)
                    std::abort();
        }
    } catch (const dfu::InputError &) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    std::vector<std::uint8_t> bytes(data, data + size);
    checkRoundTrip(bytes);
    if (bytes.size() >= 4) {
        bytes.resize(bytes.size() - 4);
        dfu::appendLe32(bytes, dfu::crc32(bytes.data(), bytes.size()));
        checkRoundTrip(bytes);
    }
    return 0;
}
