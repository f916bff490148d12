#include "file_io.h"

#include "input_error.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace dfu {

namespace {

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

void writeAll(const std::filesystem::path &path, const std::vector<std::uint8_t> &bytes)
{
    std::FILE *file = createNew(path);
    if (!file)
        throw InputError("cannot create: " + systemReason());
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const std::string writeReason = written ? std::string() : systemReason();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed)
        throw InputError("cannot write: " + (written ? systemReason() : writeReason));
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
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw InputError("cannot open: " + systemReason());
    std::vector<std::uint8_t> bytes;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0)
        bytes.insert(bytes.end(), buffer, buffer + in.gcount());
    if (in.bad())
        throw InputError("cannot read: " + systemReason());
    return bytes;
}

void writeFileAtomically(const std::string &utf8Path, const std::vector<std::uint8_t> &bytes)
{
    const std::filesystem::path path = pathFromUtf8(utf8Path);
    const std::filesystem::path temporary = temporaryNameBeside(path);
    try {
        writeAll(temporary, bytes);
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
