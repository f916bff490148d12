// SPDX-License-Identifier: GPL-3.0-or-later
// Temporary folders, file helpers and child processes for the firmware-tool tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace dfutest {

// A fresh folder under the system temporary directory, removed with the object.
class TemporaryFolder
{
public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder &) = delete;
    TemporaryFolder &operator=(const TemporaryFolder &) = delete;

    const std::filesystem::path &path() const { return path_; }
    std::string file(const std::string &name) const { return (path_ / name).string(); }
    std::vector<std::string> entries() const; // names of everything inside

private:
    std::filesystem::path path_;
};

// One Intel HEX record with its checksum, built independently of the reader
// under test, without a line end.
std::string intelHexRecord(int type, unsigned offset, const std::vector<std::uint8_t> &data,
                           bool lowerCase = false);

std::vector<std::uint8_t> readBytes(const std::string &path);
void writeBytes(const std::string &path, const std::vector<std::uint8_t> &bytes);
void writeText(const std::string &path, const std::string &text);

struct ProgramResult
{
    int exitCode = -1; // -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// Runs `program` with `arguments` and the environment of this process.
ProgramResult runProgram(const std::string &program, const std::vector<std::string> &arguments);

// True when `program` is found on PATH.
bool onPath(const std::string &program);

// `count` pseudo-random bytes, the same for the same seed.
std::vector<std::uint8_t> patternBytes(std::size_t count, unsigned seed = 1);

// patternBytes under a vector table that passes the flasher's application
// checks when loaded at the application address: count is at least 1 KiB.
std::vector<std::uint8_t> applicationBytes(std::size_t count, unsigned seed = 1);

} // namespace dfutest
