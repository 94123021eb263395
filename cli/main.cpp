// plinkavorte-batch: Plinkavorte's batch run without a window.

#include "BatchCommand.h"
#include "StopSignal.h"

#include <unistd.h>

int main(int argc, char** argv)
{
    InstallStopSignals();
    TCommandStreams streams;
    streams.LiveProgress = ::isatty(STDERR_FILENO) != 0;
    streams.StopPending = [] { return StopRequested(); };
    return RunBatchCommand(std::vector<std::string>(argv + 1, argv + argc), streams);
}
