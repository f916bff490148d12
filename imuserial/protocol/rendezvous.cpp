#include "rendezvous.h"

#include <cstdlib>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace imuproto {

namespace {

std::string environment(const char *name)
{
    const char *value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string perUserTemporaryDirectory()
{
#ifdef _WIN32
    const std::string temp = environment("TEMP");
    return (temp.empty() ? std::string(".") : temp) + "/orvik-imu-sim";
#else
    return "/tmp/orvik-imu-sim-" + std::to_string(getuid());
#endif
}

} // namespace

std::string simulatorDirectory()
{
    const std::string configured = environment("IMU_SIM_DIR");
    if (!configured.empty())
        return configured;
    const std::string runtime = environment("XDG_RUNTIME_DIR");
    if (!runtime.empty())
        return runtime + "/orvik-imu-sim";
    return perUserTemporaryDirectory();
}

std::string simulatorPortFile()
{
    return simulatorDirectory() + "/port";
}

std::string simulatorBootloaderSocket()
{
    return simulatorDirectory() + "/dfu.sock";
}

} // namespace imuproto
