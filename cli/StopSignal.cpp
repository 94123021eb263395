#include "StopSignal.h"

#include <atomic>
#include <csignal>

namespace {

std::atomic<bool> GStopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the flag is set from a signal handler");

extern "C" void OnStopSignal(int)
{
    GStopRequested.store(true);
}

void InstallOne(int signalNumber)
{
    struct sigaction action{};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    sigaction(signalNumber, &action, nullptr);
}

} // namespace

void InstallStopSignals()
{
    InstallOne(SIGINT);
    InstallOne(SIGTERM);
}

bool StopRequested()
{
    return GStopRequested.load();
}

void ClearStopRequest()
{
    GStopRequested.store(false);
}
