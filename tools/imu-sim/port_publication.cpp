#include "port_publication.h"

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace imusim {

namespace fs = std::filesystem;

PortPublication::PortPublication(std::string directory) : directory_(std::move(directory)) {}

bool PortPublication::publish(const std::string &devicePath, std::string &error)
{
    std::error_code failure;
    if (fs::create_directories(directory_, failure))
        fs::permissions(directory_, fs::perms::owner_all, failure);
    if (failure) {
        error = "cannot create " + directory_ + ": " + failure.message();
        return false;
    }
    const std::string temporary = portFile() + "." + std::to_string(::getpid());
    {
        std::ofstream file(temporary, std::ios::trunc);
        file << devicePath << '\n';
        if (!file.flush()) {
            error = "cannot write " + temporary;
            return false;
        }
    }
    fs::rename(temporary, portFile(), failure);
    if (failure) {
        error = "cannot publish " + portFile() + ": " + failure.message();
        fs::remove(temporary, failure);
        return false;
    }
    published_ = devicePath;
    return true;
}

// Leaves the file alone when another simulator has taken the directory over.
void PortPublication::withdraw()
{
    if (published_.empty())
        return;
    std::string current;
    std::getline(std::ifstream(portFile()), current);
    std::error_code ignored;
    if (current == published_)
        fs::remove(portFile(), ignored);
    published_.clear();
}

} // namespace imusim
