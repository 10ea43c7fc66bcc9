// Runs part of a test in a forked child, under conditions the test process itself must not
// live with: a file-size limit (a disk that fills), an address-space limit, another user's
// rights; or where it may end abruptly. An alarm ends a child that hangs. POSIX only; the
// address-space limit needs Linux.
#pragma once

#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <optional>
#include <string>

namespace quendra::testing {

struct ChildConditions {
    // SIGXFSZ ignored, so a write past the limit fails with EFBIG as a full disk fails.
    std::optional<rlim_t> fileSizeLimit;
    // Bytes allowed on top of what the child maps already: any larger allocation fails.
    std::optional<rlim_t> extraAddressSpace;
    bool asNobodyWhenRoot = false;  // root may write into any folder
};

struct ChildResult {
    int exitCode = -1;   // 125: a condition could not be put in place; 128 + N: signal N
    std::string output;  // stdout and stderr
};

inline bool Apply(const ChildConditions& conditions) {
    const passwd* nobody = ::getpwnam("nobody");
    if (conditions.asNobodyWhenRoot && ::geteuid() == 0 &&
        (!nobody || ::setgroups(0, nullptr) || ::setgid(nobody->pw_gid) ||
         ::setuid(nobody->pw_uid))) {
        return false;
    }
    if (conditions.fileSizeLimit) {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{*conditions.fileSizeLimit, *conditions.fileSizeLimit};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return false;
    }
    if (rlim_t pages = 0; conditions.extraAddressSpace) {
        if (!(std::ifstream("/proc/self/statm") >> pages)) return false;
        rlimit limit{pages * ::sysconf(_SC_PAGESIZE) + *conditions.extraAddressSpace,
                     RLIM_INFINITY};
        if (::setrlimit(RLIMIT_AS, &limit) != 0) return false;
    }
    return true;
}

// Runs `body` in a child under `conditions`; what it returns is the exit code.
inline ChildResult RunInChild(const ChildConditions& conditions, const std::function<int()>& body) {
    int fds[2];
    if (::pipe(fds) != 0) return {};
    pid_t child = ::fork();
    if (child == 0) {
        ::dup2(fds[1], STDOUT_FILENO);
        ::dup2(fds[1], STDERR_FILENO);
        ::alarm(60);  // a hang guard, with room for a loaded machine
        ::_exit(Apply(conditions) ? body() : 125);
    }
    ::close(fds[1]);
    ChildResult result;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        result.output.append(buffer, n);
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

}  // namespace quendra::testing
