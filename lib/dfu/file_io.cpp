// SPDX-License-Identifier: GPL-3.0-or-later
#include "file_io.h"

#include "input_error.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifdef __linux__
#include <fcntl.h> // AT_FDCWD
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace dfu {

namespace {

// The first read of a file whose size cannot be asked for beforehand.
constexpr std::size_t kUnknownSizeChunk = 65536;

std::string systemReason()
{
    return std::strerror(errno);
}

std::filesystem::path temporaryNameBeside(const std::filesystem::path &path)
{
    static std::atomic<unsigned> counter{0};
    const auto now = std::filesystem::file_time_type::clock::now().time_since_epoch().count();
    std::filesystem::path temporary = path;
    temporary += ".part-" + std::to_string(now) + "-" + std::to_string(counter++);
    return temporary;
}

// Creates `path` only when nothing is there yet ("x"), so that two writers
// never share a temporary file.
std::FILE *createNew(const std::filesystem::path &path)
{
#ifdef _WIN32
    return _wfopen(path.c_str(), L"wbx");
#else
    return std::fopen(path.c_str(), "wbx");
#endif
}

void writeAll(const std::filesystem::path &path, const std::vector<ByteSpan> &spans)
{
    std::FILE *file = createNew(path);
    if (!file)
        throw InputError("cannot create: " + systemReason());
    bool written = true;
    for (const ByteSpan &span : spans)
        written = written && std::fwrite(span.data, 1, span.size, file) == span.size;
    const std::string writeReason = written ? std::string() : systemReason();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed)
        throw InputError("cannot write: " + (written ? systemReason() : writeReason));
}

std::FILE *openForReading(const std::filesystem::path &path)
{
#ifdef _WIN32
    return _wfopen(path.c_str(), L"rb");
#else
    return std::fopen(path.c_str(), "rb");
#endif
}

// Puts the new file in place of an existing regular file by swapping the two
// names in one step, then removes the old file under the temporary name.
// Readers see the old or the new file whole, as with a rename over it, but
// ext4 does not start writing the new data out at once as it does for a file
// renamed over another (milliseconds per MiB). False, with nothing changed,
// where no regular file is there or the system cannot swap names.
bool swappedIntoPlace(const std::filesystem::path &temporary, const std::filesystem::path &path)
{
#if defined(__linux__) && defined(RENAME_EXCHANGE)
    std::error_code error;
    if (std::filesystem::symlink_status(path, error).type() != std::filesystem::file_type::regular)
        return false;
    if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, path.c_str(), RENAME_EXCHANGE) != 0)
        return false;
    std::filesystem::remove(temporary, error);
    return true;
#else
    (void)temporary;
    (void)path;
    return false;
#endif
}

// Maps in the pages of a fresh buffer with one call instead of one fault per
// page as they are first written; worth it for the megabytes of an image.
void prefault(std::uint8_t *data, std::size_t size)
{
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
    const auto pageSize = std::uintptr_t(::sysconf(_SC_PAGESIZE));
    const auto first = (reinterpret_cast<std::uintptr_t>(data) + pageSize - 1) & ~(pageSize - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + size) & ~(pageSize - 1);
    if (end > first)
        ::madvise(reinterpret_cast<void *>(first), end - first, MADV_POPULATE_WRITE);
#else
    (void)data;
    (void)size;
#endif
}

std::filesystem::path pathFromUtf8(const std::string &utf8)
{
    return std::filesystem::u8path(utf8);
}

} // namespace

std::vector<std::uint8_t> readWholeFile(const std::string &utf8Path)
{
    const std::filesystem::path path = pathFromUtf8(utf8Path);
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        throw InputError("is a directory");
    std::FILE *file = openForReading(path);
    if (!file)
        throw InputError("cannot open: " + systemReason());
    // One read of the size the file has now; the loop still takes a file that
    // grows meanwhile or does not know its size (a pipe).
    const std::uintmax_t expected = std::filesystem::file_size(path, error);
    std::vector<std::uint8_t> bytes;
    bytes.reserve(error ? kUnknownSizeChunk : std::size_t(expected) + 1);
    prefault(bytes.data(), bytes.capacity());
    bytes.resize(bytes.capacity());
    std::size_t filled = 0;
    for (;;) {
        filled += std::fread(bytes.data() + filled, 1, bytes.size() - filled, file);
        if (filled < bytes.size())
            break;
        bytes.resize(bytes.size() * 2);
    }
    const bool failed = std::ferror(file) != 0;
    const std::string reason = failed ? systemReason() : std::string();
    std::fclose(file);
    if (failed)
        throw InputError("cannot read: " + reason);
    bytes.resize(filled);
    return bytes;
}

void writeFileAtomically(const std::string &utf8Path, const std::vector<ByteSpan> &spans)
{
    const std::filesystem::path path = pathFromUtf8(utf8Path);
    const std::filesystem::path temporary = temporaryNameBeside(path);
    try {
        writeAll(temporary, spans);
        if (swappedIntoPlace(temporary, path))
            return;
        std::error_code error;
        std::filesystem::rename(temporary, path, error);
        if (error)
            throw InputError("cannot replace the file: " + error.message());
    } catch (...) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        throw;
    }
}

} // namespace dfu
