#include "StopSignal.h"

#include <atomic>
#include <csignal>

namespace {

std::atomic<int> GStopSignal{0};
static_assert(std::atomic<int>::is_always_lock_free, "the signal is stored from a signal handler");
TStopMoment GStopMoment{0};

extern "C" void OnStopSignal(int signalNumber)
{
    GStopSignal.store(signalNumber);
    AskStop(GStopMoment);
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

int StopSignalNumber()
{
    return GStopSignal.load();
}

const TStopMoment& StopSignalMoment()
{
    return GStopMoment;
}

void ClearStopRequest()
{
    GStopSignal.store(0);
    GStopMoment.store(0);
}
