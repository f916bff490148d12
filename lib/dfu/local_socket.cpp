// SPDX-License-Identifier: GPL-3.0-or-later
#include "local_socket.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace dfu {

namespace {

bool makeAddress(const std::string &path, sockaddr_un &address)
{
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

// A new stream socket and its address, or an invalid socket when `path` is too long.
LocalSocket streamSocketFor(const std::string &path, sockaddr_un &address)
{
    if (!makeAddress(path, address))
        return {};
    return LocalSocket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
}

} // namespace

LocalSocket::LocalSocket(LocalSocket &&other) noexcept : descriptor_(other.descriptor_)
{
    other.descriptor_ = -1;
}

LocalSocket &LocalSocket::operator=(LocalSocket &&other) noexcept
{
    if (this != &other) {
        close();
        descriptor_ = other.descriptor_;
        other.descriptor_ = -1;
    }
    return *this;
}

LocalSocket::~LocalSocket()
{
    close();
}

void LocalSocket::close()
{
    if (descriptor_ >= 0)
        ::close(descriptor_);
    descriptor_ = -1;
}

LocalSocket LocalSocket::connectTo(const std::string &path)
{
    sockaddr_un address;
    LocalSocket socket = streamSocketFor(path, address);
    if (!socket.valid() ||
        ::connect(socket.descriptor_, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0)
        return {};
    return socket;
}

bool LocalSocket::removeSocketFile(const std::string &path)
{
    struct stat entry
    {
    };
    if (::lstat(path.c_str(), &entry) != 0)
        return errno == ENOENT;
    return S_ISSOCK(entry.st_mode) && (::unlink(path.c_str()) == 0 || errno == ENOENT);
}

LocalSocket LocalSocket::listenAt(const std::string &path)
{
    sockaddr_un address;
    LocalSocket socket = streamSocketFor(path, address);
    if (!socket.valid() || !removeSocketFile(path))
        return {};
    if (::bind(socket.descriptor_, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
        ::listen(socket.descriptor_, 4) != 0)
        return {};
    return socket;
}

LocalSocket::Wait LocalSocket::waitReadable(std::chrono::milliseconds timeout) const
{
    pollfd entry{descriptor_, POLLIN, 0};
    for (;;) {
        const int result = ::poll(&entry, 1, int(timeout.count()));
        if (result > 0)
            return Wait::Ready;
        if (result == 0)
            return Wait::TimedOut;
        if (errno != EINTR)
            return Wait::Failed;
    }
}

LocalSocket LocalSocket::accept() const
{
    return LocalSocket(::accept4(descriptor_, nullptr, nullptr, SOCK_CLOEXEC));
}

bool LocalSocket::readExact(std::uint8_t *data, std::size_t size,
                            std::chrono::milliseconds timeout) const
{
    std::size_t done = 0;
    while (done < size) {
        if (waitReadable(timeout) != Wait::Ready)
            return false;
        const ssize_t got = ::recv(descriptor_, data + done, size - done, 0);
        if (got == 0 || (got < 0 && errno != EINTR))
            return false;
        if (got > 0)
            done += std::size_t(got);
    }
    return true;
}

bool LocalSocket::writeAll(const std::uint8_t *data, std::size_t size) const
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t sent = ::send(descriptor_, data + done, size - done, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return false;
        done += std::size_t(sent);
    }
    return true;
}

} // namespace dfu
