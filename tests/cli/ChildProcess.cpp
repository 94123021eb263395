#include "ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <stdexcept>

namespace {

std::vector<char*> Argv(const std::string& program, const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    return argv;
}

std::string ReadAll(int fd)
{
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0)
            text.append(buffer, static_cast<size_t>(got));
        else if (got == 0 || errno != EINTR)
            break;
    }
    return text;
}

int ExitCodeOf(int status)
{
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int WaitFor(int pid)
{
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR)
            throw std::runtime_error("waitpid failed");
    return ExitCodeOf(status);
}

// In the child: stdin from /dev/null, the given descriptors as stdout and stderr.
[[noreturn]] void ExecChild(const std::vector<char*>& argv, int outFd, int errFd, const std::string& folder)
{
    const int nullFd = ::open("/dev/null", O_RDONLY);
    ::dup2(nullFd, STDIN_FILENO);
    ::dup2(outFd, STDOUT_FILENO);
    ::dup2(errFd, STDERR_FILENO);
    if (!folder.empty() && ::chdir(folder.c_str()) != 0)
        ::_exit(126);
    ::execv(argv[0], argv.data());
    ::_exit(127);
}

} // namespace

TChildResult RunChild(const std::string& program, const std::vector<std::string>& args, const std::string& folder)
{
    // Files, not pipes: no dead-lock however much either side prints.
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    if (!out || !err)
        throw std::runtime_error("tmpfile failed");
    const std::vector<char*> argv = Argv(program, args);
    const int pid = ::fork();
    if (pid == 0)
        ExecChild(argv, ::fileno(out), ::fileno(err), folder);
    TChildResult result;
    result.ExitCode = WaitFor(pid);
    ::lseek(::fileno(out), 0, SEEK_SET);
    ::lseek(::fileno(err), 0, SEEK_SET);
    result.Out = ReadAll(::fileno(out));
    result.Err = ReadAll(::fileno(err));
    std::fclose(out);
    std::fclose(err);
    return result;
}

TRunningChild::TRunningChild(const std::string& program, const std::vector<std::string>& args)
{
    int fds[2];
    if (::pipe(fds) != 0)
        throw std::runtime_error("pipe failed");
    const std::vector<char*> argv = Argv(program, args);
    const int nullOut = ::open("/dev/null", O_WRONLY);
    FPid = ::fork();
    if (FPid == 0) {
        ::close(fds[0]);
        ExecChild(argv, nullOut, fds[1], {});
    }
    ::close(nullOut);
    ::close(fds[1]);
    FErrFd = fds[0];
}

TRunningChild::~TRunningChild()
{
    if (FPid > 0) {
        ::kill(FPid, SIGKILL);
        WaitFor(FPid);
    }
    if (FErrFd >= 0)
        ::close(FErrFd);
}

bool TRunningChild::ReadErrLine(std::string& line)
{
    for (;;) {
        const auto newline = FBuffer.find('\n');
        if (newline != std::string::npos) {
            line = FBuffer.substr(0, newline);
            FBuffer.erase(0, newline + 1);
            return true;
        }
        char buffer[512];
        const ssize_t got = ::read(FErrFd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        FBuffer.append(buffer, static_cast<size_t>(got));
    }
}

void TRunningChild::Signal(int signalNumber)
{
    ::kill(FPid, signalNumber);
}

int TRunningChild::Wait(std::string& restOfErr)
{
    restOfErr = FBuffer + ReadAll(FErrFd);
    FBuffer.clear();
    const int code = WaitFor(FPid);
    FPid = -1;
    return code;
}

int RunShell(const std::string& command, std::string* output)
{
    std::FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        throw std::runtime_error("popen failed");
    std::string text;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        text.append(buffer, got);
    const int status = ::pclose(pipe);
    if (output)
        *output = text;
    return ExitCodeOf(status);
}
