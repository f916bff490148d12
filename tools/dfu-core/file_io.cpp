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

std::string temporaryNameBeside(const std::string &path)
{
    static std::atomic<unsigned> counter{0};
    const auto now = std::filesystem::file_time_type::clock::now().time_since_epoch().count();
    return path + ".part-" + std::to_string(now) + "-" + std::to_string(counter++);
}

void writeAll(const std::string &path, const std::vector<std::uint8_t> &bytes)
{
    std::FILE *file = std::fopen(path.c_str(), "wbx");
    if (!file)
        throw InputError("cannot create: " + systemReason());
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const std::string writeReason = written ? std::string() : systemReason();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed)
        throw InputError("cannot write: " + (written ? systemReason() : writeReason));
}

} // namespace

std::vector<std::uint8_t> readWholeFile(const std::string &path)
{
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

void writeFileAtomically(const std::string &path, const std::vector<std::uint8_t> &bytes)
{
    const std::string temporary = temporaryNameBeside(path);
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
