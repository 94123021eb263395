#pragma once
// plinkavorte-batch as a function: arguments in, exit status out.

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

struct TCommandStreams {
    std::FILE* Out = stdout;
    std::FILE* Err = stderr;
    bool LiveProgress = false;            // redraw one line (a terminal) or print a line per picture
    std::function<bool()> StopPending;    // asked between pictures; true acts as STOP
};

enum : int { ExitOk = 0, ExitFailed = 1, ExitUsage = 2 };

// The arguments after the program name.
int RunBatchCommand(const std::vector<std::string>& args, const TCommandStreams& streams);

// A relative name taken from the current folder; an absolute one unchanged.
std::string AbsoluteFromCurrentFolder(const std::string& name);
