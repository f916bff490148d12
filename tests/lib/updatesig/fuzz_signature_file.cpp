// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the signature-file parser: it must never crash, and
// what it accepts must be one signature written the one way it is written.
#include "signature.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray file =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::optional<QByteArray> signature = updatesig::parseSignatureFile(file);
    if (!signature)
        return 0;
    if (signature->size() != updatesig::kSignatureBytes ||
        file.size() > updatesig::kMaxSignatureFileBytes)
        std::abort();
    // Accepted text is the canonical form, give or take its line ending.
    const QByteArray canonical = updatesig::formatSignatureFile(*signature);
    if (file != canonical && file != canonical.chopped(1) && file != canonical.chopped(1) + "\r\n")
        std::abort();
    return 0;
}
