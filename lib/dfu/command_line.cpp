// SPDX-License-Identifier: GPL-3.0-or-later
#include "command_line.h"

#ifdef _WIN32
#include <windows.h>

#include <shellapi.h>
#endif

namespace dfu {

#ifdef _WIN32

namespace {

std::string utf8FromWide(const wchar_t *wide)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return {};
    std::string text(std::size_t(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), size, nullptr, nullptr);
    text.resize(std::size_t(size - 1)); // without the terminating zero
    return text;
}

} // namespace

std::vector<std::string> utf8Arguments(int, char **)
{
    int count = 0;
    wchar_t **wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 1; wide && i < count; ++i)
        arguments.push_back(utf8FromWide(wide[i]));
    LocalFree(wide);
    return arguments;
}

#else

std::vector<std::string> utf8Arguments(int argc, char **argv)
{
    return std::vector<std::string>(argv + 1, argv + argc);
}

#endif

} // namespace dfu
