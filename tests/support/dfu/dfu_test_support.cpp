// SPDX-License-Identifier: GPL-3.0-or-later
#include "dfu_test_support.h"

#include "application_check.h"
#include "memory_layout.h"

#include <cstdio>

#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <sys/wait.h>
#include <unistd.h>

namespace dfutest {

TemporaryFolder::TemporaryFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "dfu-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary folder");
    path_ = pattern;
}

TemporaryFolder::~TemporaryFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> TemporaryFolder::entries() const
{
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(path_))
        names.push_back(entry.path().filename().string());
    return names;
}

std::string intelHexRecord(int type, unsigned offset, const std::vector<std::uint8_t> &data,
                           bool lowerCase)
{
    std::vector<std::uint8_t> bytes{std::uint8_t(data.size()), std::uint8_t(offset >> 8),
                                    std::uint8_t(offset), std::uint8_t(type)};
    bytes.insert(bytes.end(), data.begin(), data.end());
    unsigned sum = 0;
    for (auto b : bytes)
        sum += b;
    bytes.push_back(std::uint8_t(-sum));
    std::string line = ":";
    char digits[3];
    for (auto b : bytes) {
        std::snprintf(digits, sizeof digits, lowerCase ? "%02x" : "%02X", b);
        line += digits;
    }
    return line;
}

std::vector<std::uint8_t> readBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const std::string &path, const std::vector<std::uint8_t> &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
}

void writeText(const std::string &path, const std::string &text)
{
    writeBytes(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

ProgramResult runProgram(const std::string &program, const std::vector<std::string> &arguments)
{
    TemporaryFolder capture;
    const std::string outPath = capture.file("out");
    const std::string errPath = capture.file("err");
    const pid_t child = fork();
    if (child == 0) {
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        std::vector<char *> argv{const_cast<char *>(program.c_str())};
        for (const std::string &argument : arguments)
            argv.push_back(const_cast<char *>(argument.c_str()));
        argv.push_back(nullptr);
        execvp(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ProgramResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    const auto out = readBytes(outPath);
    const auto err = readBytes(errPath);
    result.out.assign(out.begin(), out.end());
    result.err.assign(err.begin(), err.end());
    return result;
}

bool onPath(const std::string &program)
{
    const char *path = std::getenv("PATH");
    std::string folders = path ? path : "";
    std::size_t start = 0;
    while (start <= folders.size()) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        const std::filesystem::path candidate =
            std::filesystem::path(folders.substr(start, end - start)) / program;
        if (access(candidate.c_str(), X_OK) == 0)
            return true;
        start = end + 1;
    }
    return false;
}

std::vector<std::uint8_t> patternBytes(std::size_t count, unsigned seed)
{
    std::vector<std::uint8_t> bytes(count);
    std::uint32_t state = seed * 2654435761u + 1;
    for (auto &byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = std::uint8_t(state >> 16);
    }
    return bytes;
}

std::vector<std::uint8_t> applicationBytes(std::size_t count, unsigned seed)
{
    std::vector<std::uint8_t> bytes = patternBytes(count, seed);
    const std::uint32_t words[] = {dfu::kModuleSramStart + 0x20000,
                                   dfu::kApplicationAddress + 0x201};
    for (std::size_t i = 0; i < 8; ++i)
        bytes.at(i) = std::uint8_t(words[i / 4] >> (8 * (i % 4)));
    return bytes;
}

} // namespace dfutest
