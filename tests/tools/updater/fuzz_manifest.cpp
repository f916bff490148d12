// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the manifest parser: it must never crash, and what
// it accepts must hold up.
#include "manifest.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace updater;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray document =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const QUrl manifestUrl(QStringLiteral("https://updates.example/ORVIK_IMU/updates.json"));
    const ManifestResult result = parseManifest(document, QStringLiteral("ORVIK-IMU"),
                                                QStringLiteral("windows-x86_64"), manifestUrl);
    if (result.release.has_value() == !result.error.isEmpty())
        std::abort(); // exactly one of a release or a reason
    if (!result.release)
        return 0;
    if (compareVersions(result.release->version, result.release->version) != 0)
        std::abort();
    if (const auto &package = result.release->package) {
        const bool secure = package->url.scheme() == QLatin1String("https");
        if (!secure || package->sha256.size() != 32 || package->signature.size() != 64 ||
            package->size < 1 || package->size > kMaxPackageBytes)
            std::abort();
    }
    return 0;
}
