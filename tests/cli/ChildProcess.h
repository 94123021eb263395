#pragma once
// Runs plinkavorte-batch (or any program) as a child for the tests.

#include <string>
#include <vector>

struct TChildResult {
    int ExitCode = -1;       // -1 when it did not exit normally
    std::string Out;
    std::string Err;
};

// Runs the program with the arguments in the folder (empty: this process's
// folder), no standard input, and collects both outputs.
TChildResult RunChild(const std::string& program, const std::vector<std::string>& args,
                      const std::string& folder = {});

// A child whose standard error is read line by line while it runs.
class TRunningChild {
public:
    TRunningChild(const std::string& program, const std::vector<std::string>& args);
    ~TRunningChild();
    TRunningChild(const TRunningChild&) = delete;
    TRunningChild& operator=(const TRunningChild&) = delete;

    // The next line of standard error without its newline; false at its end.
    bool ReadErrLine(std::string& line);
    void Signal(int signalNumber);
    // Waits for the end; the rest of standard error goes into restOfErr.
    int Wait(std::string& restOfErr);

private:
    int FPid = -1;
    int FErrFd = -1;
    std::string FBuffer;
};

// The shell's exit status of a command line run by /bin/sh.
int RunShell(const std::string& command, std::string* output = nullptr);

// How often part stands in a child's output, without overlaps.
inline size_t Count(const std::string& text, const std::string& part)
{
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++n;
    return n;
}
