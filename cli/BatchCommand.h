#pragma once
// plinkavorte-batch as a function: arguments in, exit status out.

#include "RenderStop.h"

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

struct TCommandStreams {
    std::FILE* Out = stdout;
    std::FILE* Err = stderr;
    bool LiveProgress = false;            // redraw one line (a terminal) or print a line per picture
    int Columns = 80;                     // the terminal's width, for the live line
    std::function<int()> StopSignal;      // asked between pictures; a signal number acts as STOP
    // When the signal came: a picture still being made a moment later is given up.
    const TStopMoment* StopMoment = nullptr;
};

// A run stopped by a signal exits with 128 + its number, as the shell's own
// commands do, so that "&&" does not go on after an interrupted run.
enum : int { ExitOk = 0, ExitFailed = 1, ExitUsage = 2, ExitSignalBase = 128 };

// The arguments after the program name. Never throws: any failure is
// printed and gives ExitFailed.
int RunBatchCommand(const std::vector<std::string>& args, const TCommandStreams& streams);

// A relative name taken from the current folder; an absolute one unchanged.
std::string AbsoluteFromCurrentFolder(const std::string& name);
