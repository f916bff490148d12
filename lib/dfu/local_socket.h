// SPDX-License-Identifier: GPL-3.0-or-later
// Minimal blocking stream sockets on a filesystem path (Unix-domain), with
// timeouts so that neither side can hang on a silent peer.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace dfu {

class LocalSocket
{
public:
    LocalSocket() = default;
    explicit LocalSocket(int descriptor) : descriptor_(descriptor) {}
    LocalSocket(LocalSocket &&other) noexcept;
    LocalSocket &operator=(LocalSocket &&other) noexcept;
    LocalSocket(const LocalSocket &) = delete;
    LocalSocket &operator=(const LocalSocket &) = delete;
    ~LocalSocket();

    // An invalid socket when nothing listens at `path`.
    static LocalSocket connectTo(const std::string &path);
    // Binds and listens at `path`, replacing a stale socket file there; an
    // invalid socket when something else than a socket has that name.
    static LocalSocket listenAt(const std::string &path);

    // Removes the socket file at `path`; true when none is left there. Anything
    // else of that name (a regular file, a directory, a symbolic link) is
    // neither followed nor removed, and false is returned.
    static bool removeSocketFile(const std::string &path);

    bool valid() const { return descriptor_ >= 0; }
    void close();

    enum class Wait
    {
        Ready,
        TimedOut,
        Failed
    };
    // Waits until data (or a connection, on a listening socket) is waiting.
    Wait waitReadable(std::chrono::milliseconds timeout) const;
    LocalSocket accept() const;

    // Both read or write the whole range; false on end of stream, error, or
    // when `timeout` passes without progress.
    bool readExact(std::uint8_t *data, std::size_t size, std::chrono::milliseconds timeout) const;
    bool writeAll(const std::uint8_t *data, std::size_t size) const;

private:
    int descriptor_ = -1;
};

} // namespace dfu
