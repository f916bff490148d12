// Publishes the simulator's serial device in the rendezvous directory, where
// the device library and the tools look for it, and withdraws it again.
#pragma once

#include <string>

namespace imusim {

class PortPublication
{
public:
    explicit PortPublication(std::string directory);
    ~PortPublication() { withdraw(); }
    PortPublication(const PortPublication &) = delete;
    PortPublication &operator=(const PortPublication &) = delete;

    // Creates the directory if needed and replaces the port file at once, so a
    // reader never sees half a path.
    bool publish(const std::string &devicePath, std::string &error);
    void withdraw();

    std::string portFile() const { return directory_ + "/port"; }

private:
    std::string directory_;
    std::string published_; // the device path in the file, empty when none
};

} // namespace imusim
