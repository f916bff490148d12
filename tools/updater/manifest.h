// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "version.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

namespace updater {

// The update manifest (format in docs/update-manifest.md): per application the
// latest version, its release notes and per platform one downloadable package
// with its Ed25519 signature. The manifest itself is signed in a detached
// file beside it.

constexpr qint64 kMaxManifestBytes = 64 * 1024;
constexpr qint64 kMaxPackageBytes = qint64(2) * 1024 * 1024 * 1024;

struct PackageInfo
{
    QUrl url;             // already checked against the transport policy
    qint64 size = 0;      // bytes
    QByteArray sha256;    // 32 raw bytes
    QByteArray signature; // 64 raw bytes, Ed25519 over the package bytes
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

// Where the detached signature of the manifest at `manifestUrl` lives: the
// same address with ".sig" appended to its path.
QUrl manifestSignatureUrl(const QUrl &manifestUrl);

// Reads the entry of `applicationName` and, within it, the package of
// `platformKey`. Relative package addresses are resolved against `manifestUrl`.
ManifestResult parseManifest(const QByteArray &document, const QString &applicationName,
                             const QString &platformKey, const QUrl &manifestUrl);

// parseManifest for a document that must first carry a valid signature, in
// `signatureFile`, by one of `publicKeys`; nothing of an unsigned document is
// read.
ManifestResult parseSignedManifest(const QByteArray &document, const QByteArray &signatureFile,
                                   const QList<QByteArray> &publicKeys,
                                   const QString &applicationName, const QString &platformKey,
                                   const QUrl &manifestUrl);

} // namespace updater
