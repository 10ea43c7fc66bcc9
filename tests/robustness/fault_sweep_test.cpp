// Every file call of a conversion, failed in turn, on either platform. The read and the save
// make their system calls through a table (platform/file_calls_posix.h, file_calls_win32.h); the
// test points each entry at a stand-in that counts the calls of a clean conversion over an old
// file, then fails each in turn with three of the platform's errors. gtm2wtr, run in-process, must
// exit 1 naming the cause, with the old file byte-identical and nothing left beside it. A failure
// that loses nothing is passed over: closing what was only read or looked at, and on Windows
// a target that cannot be given its final name (saved under the path given, which is no
// link). A failed sync of the folder after the rename says that the new file is in place. On
// POSIX the sweep runs with an unnamed temporary file and with a named one, as on a file
// system without O_TMPFILE; with the unnamed one the program is also ended at each call, in a
// child, as by a kill: nothing is left, except between naming the new file and renaming it,
// where that complete hidden file remains. On Windows a read-only target is refused as well.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/file_io_common.h"
#ifdef _WIN32
#include "platform/file_calls_win32.h"
#else
#include "platform/file_calls_posix.h"
#endif
#include "platform/path_text.h"
#include "tests/support/gtm2wtr_run.h"
#include "tests/support/gtm_builder.h"
#include "tests/support/temp_dir.h"
#ifndef _WIN32
#include <fcntl.h>

#include "tests/robustness/child_process.h"
#endif

namespace quendra {
namespace {

namespace fs = std::filesystem;
using file_io_detail::FileCalls;
using file_io_detail::os;

constexpr int kEnded = 86;  // the status of a program ended at the chosen call

struct Sweep {
    bool armed = false;      // when not, the stand-ins pass every call on, uncounted
    std::size_t failAt = 0;  // from 1; 0: none fails
    int error = 0;           // 0: the program ends there, cleaning nothing up
    bool tmpfile = true;     // false: O_TMPFILE refused, uncounted, as by a file system without it
    std::vector<std::string> calls;
} sweep;

// A clean conversion's calls, in order; `~` marks those whose failure loses nothing.
struct Mode {
    const char* what;
    bool tmpfile;  // also: the program ended at each call
    const char* calls;
};

#ifdef _WIN32
constexpr std::string_view kClose = "CloseHandle";
// No kill: without fork, the test would end with the program.
constexpr int kErrors[] = {ERROR_DISK_FULL, ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION};
int InChild(const std::function<int()>& run) {
    return run();
}
// The read (its first piece, then the rest); the target looked at; the input; may the target
// be written; the new file.
const Mode kModes[] = {{"", false,
                        "CreateFileW GetFileType GetFileSizeEx ReadFile ReadFile CloseHandle~ "
                        "CreateFileW GetFileType GetFileInformationByHandle "
                        "GetFinalPathNameByHandleW~ CloseHandle~ CreateFileW "
                        "GetFileInformationByHandle CloseHandle~ CreateFileW CloseHandle~ "
                        "CreateFileW WriteFile WriteFile FlushFileBuffers CloseHandle "
                        "ReplaceFileW"}};
void SetError(int error) {
    SetLastError(static_cast<DWORD>(error));
}
template <class R>
R Failed() {
    if constexpr (std::is_same_v<R, HANDLE>) return INVALID_HANDLE_VALUE;
    return R{};  // FALSE, FILE_TYPE_UNKNOWN, or no length
}
#else
constexpr std::string_view kClose = "close";
constexpr int kErrors[] = {EIO, ENOSPC, EDQUOT, 0};  // 0: ended there, as by a kill
int InChild(const std::function<int()>& run) {
    return testing::RunInChild({}, run).exitCode;
}
// The read (its first piece, then the rest); the target and the input looked at; the folder;
// the new file.
const Mode kModes[] = {
    {"unnamed temporary file", true,
     "open fstat read read close~ lstat stat faccessat open openat fchown fchmod "
     "write write fsync linkat close renameat fsync close~"},
    {"named temporary file", false,
     "open fstat read read close~ lstat stat faccessat open openat fchown fchmod "
     "write write fsync close renameat fsync close~"}};
void SetError(int error) {
    errno = error;
}
template <class R>
R Failed() {
    return R(-1);
}
#endif

// Counts the calls through one entry of the table and fails the chosen one.
template <auto Entry>
struct StandIn;
template <class R, class... A, bool N, R (*FileCalls::*Entry)(A...) noexcept(N)>
struct StandIn<Entry> {
    static inline R (*real)(A...) noexcept(N);
    static inline const char* name;
    static R Call(A... args) noexcept(N) {
        if (!sweep.armed) return real(args...);
        sweep.calls.push_back(name);
        if (sweep.calls.size() != sweep.failAt) return real(args...);
        if (sweep.error == 0) std::_Exit(kEnded);
        if (name == kClose) real(args...);  // the handle is gone even so, on both systems
        SetError(sweep.error);
        return Failed<R>();
    }
};

template <auto Entry>
void StandInFor(const char* name) {
    StandIn<Entry>::name = name;
    StandIn<Entry>::real = std::exchange(os.*Entry, &StandIn<Entry>::Call);
}
#define STAND_IN(call) StandInFor<&FileCalls::call>(#call)

void StandInForEveryCall() {
#ifdef _WIN32
    (STAND_IN(CreateFileW), STAND_IN(GetFileType), STAND_IN(GetFileSizeEx), STAND_IN(ReadFile),
     STAND_IN(GetFileInformationByHandle), STAND_IN(GetFinalPathNameByHandleW), STAND_IN(WriteFile),
     STAND_IN(FlushFileBuffers), STAND_IN(ReplaceFileW), STAND_IN(CloseHandle));
#else
    (STAND_IN(open), STAND_IN(openat), STAND_IN(fstat), STAND_IN(read), STAND_IN(close),
     STAND_IN(lstat), STAND_IN(stat), STAND_IN(faccessat), STAND_IN(fchown), STAND_IN(fchmod),
     STAND_IN(write), STAND_IN(fsync), STAND_IN(linkat), STAND_IN(renameat));
    os.openat = [](int folder, const char* path, int flags, mode_t mode) {
        if (sweep.armed && !sweep.tmpfile && (flags & O_TMPFILE) == O_TMPFILE) {
            return errno = EOPNOTSUPP, -1;
        }
        return StandIn<&FileCalls::openat>::Call(folder, path, flags, mode);
    };
#endif
}

TEST(FaultSweep, EveryFileCallOfAConversionFailsWithItsCauseAndLosesNothing) {
    // Over 1 MiB of WTR, so the save writes a block of records and then the rest.
    constexpr int kWaypoints = 17000;
    constexpr std::size_t kWtrSize = 16 + 64 * kWaypoints + 32;
    testing::GtmBuilder builder;
    for (int i = 0; i < kWaypoints; ++i) builder.Add({.name = "W" + std::to_string(i)});
    const std::vector<std::uint8_t> old(5000, 0xA5);
    testing::TempDir dir;
    const fs::path input = dir / "in.gtm", output = dir / "old.wtr";
    testing::WriteBytes(input, builder.Build());
    [[maybe_unused]] static const bool standingIn = (StandInForEveryCall(), true);
    auto convert = [&](std::size_t failAt, int error, bool tmpfile) {
        testing::WriteBytes(output, old);
        sweep = {true, failAt, error, tmpfile, {}};
        testing::CliRun run = testing::Gtm2wtr({TextFromPath(input), TextFromPath(output)});
        sweep.armed = false;
        return run;
    };

    for (const Mode& mode : kModes) {
        SCOPED_TRACE(mode.what);
        ASSERT_EQ(convert(0, 0, mode.tmpfile).exit, 0);
        ASSERT_EQ(fs::file_size(output), kWtrSize);
        std::vector<std::string> calls;
        std::vector<bool> passes;
        std::istringstream words(mode.calls);
        for (std::string word; words >> word; calls.push_back(word)) {
            passes.push_back(word.back() == '~');
            if (passes.back()) word.pop_back();
        }
        // The table carries every call the conversion makes, or the sweep would prove little.
        ASSERT_EQ(sweep.calls, calls);
        auto callOf = [&](std::string_view name) {
            return std::size_t(std::find(calls.begin(), calls.end(), name) - calls.begin()) + 1;
        };
        // The new file has a name from `named` on, and replaces the old one at `renamed`.
        const std::size_t named = callOf("linkat"),
                          renamed = std::min(callOf("renameat"), callOf("ReplaceFileW"));

        for (std::size_t call = 1; call <= calls.size(); ++call) {
            for (int error : kErrors) {
                if (error == 0 && !mode.tmpfile) continue;  // a named file would stay, rightly
                const std::string cause =
                    error ? file_io_detail::SystemErrors().message(error) : "ended";
                SCOPED_TRACE("call " + std::to_string(call) + " (" + calls[call - 1] +
                             "): " + cause);
                const testing::CliRun result =
                    error ? convert(call, error, mode.tmpfile)
                          : testing::CliRun{InChild([&] { return convert(call, 0, true).exit; })};
                ASSERT_TRUE(error == 0 || (sweep.calls.size() >= call &&
                                           sweep.calls[call - 1] == calls[call - 1]))
                    << "the call was never reached";
                const bool passed = error && passes[call - 1], replaced = passed || call > renamed,
                           leftover = !error && call > named && call <= renamed;
                EXPECT_EQ(result.exit, error == 0 ? kEnded : passed ? 0 : 1) << result.err;
                // A temporary file that may not be created means the folder is not writable.
                EXPECT_TRUE(!error || passed || result.err.find(cause) != std::string::npos ||
                            (error == file_io_detail::kAccessDenied &&
                             result.err.find("the folder is not writable") != std::string::npos))
                    << result.err;
                const std::vector<std::uint8_t> now = testing::ReadBytes(output);
                EXPECT_TRUE(replaced ? now.size() == kWtrSize : now == old)
                    << (replaced ? "not the new file" : "the old file changed");
                EXPECT_EQ(dir.Names().size(), leftover ? 3u : 2u) << "what is left is wrong";
                for (const std::string& name : dir.Names()) {
                    if (name[0] == '.') fs::remove(dir / name);  // so each run starts clean
                }
            }
        }
    }
#ifdef _WIN32
    // The read-only attribute, as the system itself refuses it (held files: the sweep's
    // sharing violations).
    testing::WriteBytes(output, old);
    SetFileAttributesW(output.c_str(), FILE_ATTRIBUTE_READONLY);
    const testing::CliRun run = testing::Gtm2wtr({TextFromPath(input), TextFromPath(output)});
    EXPECT_TRUE(GetFileAttributesW(output.c_str()) & FILE_ATTRIBUTE_READONLY) << "attribute lost";
    SetFileAttributesW(output.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(run.exit, 1);
    EXPECT_NE(run.err.find(file_io_detail::SystemErrors().message(ERROR_ACCESS_DENIED)),
              std::string::npos)
        << run.err;
    EXPECT_TRUE(testing::ReadBytes(output) == old) << "the old file changed";
    EXPECT_EQ(dir.Names().size(), 2u) << "left beside the old file";
#endif
}

}  // namespace
}  // namespace quendra
