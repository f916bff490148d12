#pragma once

#include "version.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <optional>

// The update manifest (format in docs/update-manifest.md): per application the
// latest version, its release notes and per platform one downloadable package.

constexpr qint64 kMaxManifestBytes = 64 * 1024;
constexpr qint64 kMaxPackageBytes = qint64(2) * 1024 * 1024 * 1024;

struct PackageInfo
{
    QUrl url;          // already checked against the transport policy
    qint64 size = 0;   // bytes
    QByteArray sha256; // 32 raw bytes
};

struct ReleaseInfo
{
    QString versionText;
    Version version;
    QString releaseNotes;
    std::optional<PackageInfo> package; // absent when nothing is offered for this platform
};

struct ManifestResult
{
    std::optional<ReleaseInfo> release;
    QString error;
};

// Reads the entry of `applicationName` and, within it, the package of
// `platformKey`. Relative package addresses are resolved against `manifestUrl`.
ManifestResult parseManifest(const QByteArray &document, const QString &applicationName,
                             const QString &platformKey, const QUrl &manifestUrl);
