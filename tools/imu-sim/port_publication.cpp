// SPDX-License-Identifier: GPL-3.0-or-later
#include "port_publication.h"

#include <rendezvous.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace imusim {

namespace {

std::string systemError(const std::string &what)
{
    return what + ": " + std::strerror(errno);
}

bool writeAll(int descriptor, const std::string &text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t written = ::write(descriptor, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += std::size_t(written);
    }
    return true;
}

// Creates `path` afresh for writing. Whatever already has that name (left by
// a crashed run, or planted as a symbolic link) is removed without following
// it, and O_EXCL with O_NOFOLLOW makes sure nothing planted meanwhile is used.
int createExclusively(const std::string &path)
{
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
        return -1;
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
}

} // namespace

PortPublication::PortPublication(std::string directory, std::string unitId)
    : directory_(std::move(directory)), unitId_(std::move(unitId))
{
}

std::string PortPublication::portFile() const
{
    return imuproto::portFileOf(directory_, ::getpid());
}

bool PortPublication::publish(const std::string &devicePath, std::string &error)
{
    const std::string content = imuproto::formatPortFile(devicePath, ::getpid(), unitId_);
    const std::string temporary = portFile() + ".new";
    const int descriptor = createExclusively(temporary);
    if (descriptor < 0) {
        error = systemError("cannot create " + temporary);
        return false;
    }
    std::string failure;
    if (!writeAll(descriptor, content))
        failure = systemError("cannot write " + temporary);
    ::close(descriptor);
    if (failure.empty() && ::rename(temporary.c_str(), portFile().c_str()) != 0)
        failure = systemError("cannot publish " + portFile());
    if (!failure.empty()) {
        ::unlink(temporary.c_str());
        error = failure;
        return false;
    }
    published_ = content;
    withdrawOnExit_ = std::make_unique<ExitCleanup>([this] { withdraw(); });
    return true;
}

// Leaves the file alone when it no longer holds what this process wrote.
void PortPublication::withdraw()
{
    if (published_.empty())
        return;
    const int descriptor = ::open(portFile().c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor >= 0) {
        std::string current(published_.size() + 1, '\0');
        const ssize_t count = ::read(descriptor, current.data(), current.size());
        ::close(descriptor);
        if (count >= 0 && std::string(current.data(), std::size_t(count)) == published_)
            ::unlink(portFile().c_str());
    }
    published_.clear();
    withdrawOnExit_.reset();
}

} // namespace imusim
