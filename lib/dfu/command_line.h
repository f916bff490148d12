// SPDX-License-Identifier: GPL-3.0-or-later
// The program's arguments as UTF-8 text on every system.
#pragma once

#include <string>
#include <vector>

namespace dfu {

// The arguments after the program name. On Windows they are taken from the
// wide command line, since `argv` there holds only what the local code page
// can spell; elsewhere `argv` already is UTF-8.
std::vector<std::string> utf8Arguments(int argc, char **argv);

} // namespace dfu
