#pragma once
// What the benchmarks share: a scratch folder on a disk, lengths picked
// from the environment, and runs in a child process measured from outside.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

// Bench files live beside the build, on a disk: a memory file system writes no blocks.
class TBenchFolder {
public:
    explicit TBenchFolder(const std::string& prefix = "plk-bench")
    {
        std::string pattern = (std::filesystem::current_path() / (prefix + "-XXXXXX")).string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("cannot make a bench folder");
        FPath = pattern;
    }
    ~TBenchFolder() { std::filesystem::remove_all(FPath); }
    TBenchFolder(const TBenchFolder&) = delete;
    TBenchFolder& operator=(const TBenchFolder&) = delete;
    std::string File(const std::string& name) const { return FPath + "/" + name; }
    const std::string& Path() const { return FPath; }

private:
    std::string FPath;
};

// The numbers the variable lists, blank-separated, or those of `byDefault`.
inline std::vector<int> NumbersFromEnvironment(const char* variable, const char* byDefault)
{
    std::vector<int> numbers;
    const char* text = std::getenv(variable);
    std::istringstream in(text ? text : byDefault);
    for (int n; in >> n;)
        numbers.push_back(n);
    return numbers;
}

struct TChildRun {
    double Seconds = 0;
    rusage Usage{};  // the child's own: its peak resident size and blocks written
};

// Runs body (which returns the exit status) in a child process; a failed run throws.
template <class TBody>
TChildRun InChild(TBody body)
{
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child < 0)
        throw std::runtime_error("fork failed");
    if (child == 0)
        ::_exit(body());
    int status = 0;
    TChildRun run;
    if (::wait4(child, &status, 0, &run.Usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("a measured run failed");
    run.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return run;
}
