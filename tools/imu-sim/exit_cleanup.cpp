// SPDX-License-Identifier: GPL-3.0-or-later
#include "exit_cleanup.h"

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <vector>

namespace imusim {

namespace {

std::mutex registryMutex;
std::vector<std::pair<const ExitCleanup *, std::function<void()>>> registry;
std::terminate_handler previousTerminate = nullptr;

// Takes the actions out first, so that an action may destroy its ExitCleanup
// and each runs once even when both an exit and a terminate happen.
void runRegisteredActions()
{
    std::vector<std::pair<const ExitCleanup *, std::function<void()>>> actions;
    {
        std::lock_guard<std::mutex> lock(registryMutex);
        actions.swap(registry);
    }
    for (const auto &entry : actions)
        entry.second();
}

void onTerminate()
{
    runRegisteredActions();
    if (previousTerminate)
        previousTerminate();
    std::abort();
}

void installHandlersOnce()
{
    static std::once_flag installed;
    std::call_once(installed, [] {
        std::atexit(runRegisteredActions);
        previousTerminate = std::set_terminate(onTerminate);
    });
}

} // namespace

ExitCleanup::ExitCleanup(std::function<void()> action)
{
    installHandlersOnce();
    std::lock_guard<std::mutex> lock(registryMutex);
    registry.emplace_back(this, std::move(action));
}

ExitCleanup::~ExitCleanup()
{
    std::lock_guard<std::mutex> lock(registryMutex);
    registry.erase(std::remove_if(registry.begin(), registry.end(),
                                  [this](const auto &entry) { return entry.first == this; }),
                   registry.end());
}

} // namespace imusim
