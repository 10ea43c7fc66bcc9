// Runs part of a test in a child process, under conditions the test process itself must
// not live with: a file-size limit (a disk that fills), an address-space limit, or
// another user's rights. POSIX only.
#pragma once

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quendra::testing {

struct ChildConditions {
    // RLIMIT_FSIZE in bytes, with SIGXFSZ ignored so an oversized write fails with EFBIG
    // the way a full disk fails with ENOSPC.
    std::optional<rlim_t> fileSizeLimit;
    // RLIMIT_AS set to what the child already maps plus this many bytes (Linux only), so
    // any allocation larger than that fails.
    std::optional<rlim_t> extraAddressSpace;
    // Drop to this user and group before running (needs root).
    std::optional<uid_t> user;
    std::optional<gid_t> group;
    // SIGALRM after this many seconds: a child that hangs ends instead of stalling the
    // suite, and the test sees the signal.
    std::optional<unsigned> hangGuardSeconds;
};

struct ChildResult {
    bool exited = false;
    int exitCode = -1;
    int signal = 0;
    bool setupFailed = false;  // a condition could not be put in place
    std::string report;        // what the body returned, or the program's stderr
};

inline constexpr int kChildSetupFailed = 125;

// The uid and gid of "nobody", for running as an unprivileged user when tests run as root.
inline std::optional<std::pair<uid_t, gid_t>> NobodyUser() {
    const passwd* entry = ::getpwnam("nobody");
    if (entry == nullptr) return std::nullopt;
    return std::make_pair(entry->pw_uid, entry->pw_gid);
}

namespace detail {

inline std::optional<rlim_t> MappedBytes() {
    std::ifstream statm("/proc/self/statm");
    unsigned long long pages = 0;
    if (!(statm >> pages)) return std::nullopt;
    return static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE));
}

// In the child: true when every condition is in place.
inline bool Apply(const ChildConditions& conditions) {
    if (conditions.hangGuardSeconds) ::alarm(*conditions.hangGuardSeconds);
    if (conditions.group && (::setgroups(0, nullptr) != 0 || ::setgid(*conditions.group) != 0)) {
        return false;
    }
    if (conditions.user && ::setuid(*conditions.user) != 0) return false;
    if (conditions.fileSizeLimit) {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{*conditions.fileSizeLimit, *conditions.fileSizeLimit};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return false;
    }
    if (conditions.extraAddressSpace) {
        std::optional<rlim_t> mapped = MappedBytes();
        if (!mapped) return false;
        rlimit limit{*mapped + *conditions.extraAddressSpace, RLIM_INFINITY};
        if (::setrlimit(RLIMIT_AS, &limit) != 0) return false;
    }
    return true;
}

inline void WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
    }
}

inline ChildResult Collect(pid_t child, int readEnd) {
    ChildResult result;
    char buffer[4096];
    while (true) {
        ssize_t n = ::read(readEnd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        result.report.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(readEnd);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) {
        result.exited = true;
        result.exitCode = WEXITSTATUS(status);
        result.setupFailed = result.exitCode == kChildSetupFailed;
    } else if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
    }
    return result;
}

}  // namespace detail

// Runs `body` in a forked child under `conditions`; its returned text comes back as the
// report. The child never returns into the test framework.
inline ChildResult RunInChild(const ChildConditions& conditions,
                              const std::function<std::string()>& body) {
    int fds[2];
    if (::pipe(fds) != 0) return {};
    pid_t child = ::fork();
    if (child < 0) return {};
    if (child == 0) {
        ::close(fds[0]);
        if (!detail::Apply(conditions)) ::_exit(kChildSetupFailed);
        std::string report;
        try {
            report = body();
        } catch (...) {
            ::_exit(126);
        }
        detail::WriteAll(fds[1], report);
        ::_exit(0);
    }
    ::close(fds[1]);
    return detail::Collect(child, fds[0]);
}

// Runs a program under `conditions`; stdout is discarded, stderr is the report.
inline ChildResult RunProgram(const ChildConditions& conditions,
                              const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    int fds[2];
    if (::pipe(fds) != 0) return {};
    pid_t child = ::fork();
    if (child < 0) return {};
    if (child == 0) {
        ::close(fds[0]);
        int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, STDIN_FILENO);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(fds[1], STDERR_FILENO);
        if (!detail::Apply(conditions)) ::_exit(kChildSetupFailed);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    return detail::Collect(child, fds[0]);
}

}  // namespace quendra::testing
