// plinkavorte-batch: Plinkavorte's batch run without a window.

#include "BatchCommand.h"
#include "StopSignal.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdlib>

namespace {

// The terminal's width from the terminal itself, else $COLUMNS, else 80.
int TerminalColumns(int fd)
{
    struct winsize size{};
    if (::ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    if (const char* columns = std::getenv("COLUMNS")) {
        const int value = std::atoi(columns);
        if (value > 0)
            return value;
    }
    return 80;
}

} // namespace

int main(int argc, char** argv)
{
    InstallStopSignals();
    TCommandStreams streams;
    streams.LiveProgress = ::isatty(STDERR_FILENO) != 0;
    streams.Columns = TerminalColumns(STDERR_FILENO);
    streams.StopSignal = [] { return StopSignalNumber(); };
    streams.StopMoment = &StopSignalMoment();
    return RunBatchCommand(std::vector<std::string>(argv + 1, argv + argc), streams);
}
