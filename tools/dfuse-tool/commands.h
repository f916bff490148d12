// The three things dfuse-tool does; each returns the process exit code.
#pragma once

#include <iosfwd>
#include <string>

namespace dfu {

int listDevices(std::ostream &out);
int flashFile(const std::string &path, std::ostream &out, std::ostream &err);
int leaveToApplication(std::ostream &out, std::ostream &err);

} // namespace dfu
