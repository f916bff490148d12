// The three things dfuse-tool does; each returns the process exit code.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

namespace dfu {

// Where --leave starts the application.
constexpr std::uint32_t kApplicationAddress = 0x08020000;

int listDevices(std::ostream &out);
int flashFile(const std::string &path, std::ostream &out, std::ostream &err);
int leaveToApplication(std::ostream &out, std::ostream &err);

} // namespace dfu
