#pragma once
// Runs test code as another user, so that permissions really apply: a root
// test process forks a child that drops to that uid and gid first. The
// child gets HOME, XDG_STATE_HOME and the spare journal folder's root under
// a home of its own; its test failures come back as a non-zero exit.

#include "JournalFolders.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <functional>
#include <grp.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace archive_test {

constexpr uid_t Nobody = 65534;
constexpr uid_t SecondUser = 65533;

// The child's wait status.
inline int RunAs(uid_t uid, const std::string& home, const std::function<void()>& body)
{
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(uid) != 0 || ::setuid(uid) != 0))
            ::_exit(3);
        ::setenv("HOME", home.c_str(), 1);
        ::setenv("XDG_STATE_HOME", (home + "/state").c_str(), 1);
        // Like /var/tmp: there already, and open to everyone.
        ::mkdir((home + "/spare").c_str(), 0700);
        ::chmod((home + "/spare").c_str(), 01777);
        SetSpareJournalRoot(home + "/spare");
        body();
        std::fflush(nullptr);
        ::_exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

inline bool ExitedCleanly(int status)
{
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

inline bool WasKilled(int status)
{
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

} // namespace archive_test
