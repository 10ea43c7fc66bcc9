// Every I/O call of a conversion, failed in turn. A preloaded shim (fault_shim.c) counts
// the calls gtm2wtr makes on the test's files in a clean run, then fails each in turn with
// EIO, ENOSPC and EDQUOT, or kills the program there. gtm2wtr must exit 1 naming the cause,
// with the old file byte-identical and nothing left behind; except that a failure which
// cannot lose anything is ignored (closing what was only read), a failed sync of the folder
// after the rename reports that the new file is in place, and a kill between giving the
// new file a name and renaming it leaves that complete hidden file.
#ifdef __linux__

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <string>
#include <vector>

#include "tests/robustness/child_process.h"
#include "tests/support/gtm_builder.h"
#include "tests/support/temp_dir.h"

namespace quendra {
namespace {

namespace fs = std::filesystem;

// Over 1 MiB of WTR, so the writer's buffer is written out more than once.
constexpr int kWaypoints = 17000;
constexpr std::size_t kWtrSize = 16 + 64 * kWaypoints + 32;

std::vector<std::string> Calls(const fs::path& report) {
    std::vector<std::string> calls;
    std::ifstream in(report);
    for (std::string number, call; in >> number >> call;) calls.push_back(call);
    return calls;
}

std::set<fs::path> Names(const fs::path& folder) {
    return {fs::directory_iterator(folder), fs::directory_iterator()};
}

TEST(FaultSweep, EveryIoCallOfAConversionFailsWithItsCauseAndLosesNothing) {
    testing::GtmBuilder builder;
    for (int i = 0; i < kWaypoints; ++i) builder.Add({.name = "W" + std::to_string(i)});
    const std::vector<std::uint8_t> old(5000, 0xA5);
    testing::TempDir dir;
    const fs::path input = dir / "in.gtm", out = dir / "out", output = out / "old.wtr";
    const fs::path report = dir.path().parent_path() / (dir.path().filename().string() + ".calls");
    testing::WriteBytes(input, builder.Build());
    fs::create_directory(out);

    // Under ASan the shim comes before the sanitizer's runtime, which it then calls.
    const char* given = std::getenv("ASAN_OPTIONS");
    const std::string asanOptions =
        (given ? std::string(given) + ":" : std::string()) + "verify_asan_link_order=0";
    struct Run {
        testing::ChildResult result;
        std::vector<std::string> calls;
    };
    auto convert = [&](bool tmpfile, std::size_t call, int error) {
        testing::WriteBytes(output, old);
        fs::permissions(output, fs::perms(0644));
        fs::remove(report);
        testing::ChildConditions conditions{.environment = {
                                                {"LD_PRELOAD", FAULT_SHIM_PATH},
                                                {"ASAN_OPTIONS", asanOptions},
                                                {"QUENDRA_FAULT_DIR", dir.path().string()},
                                                {"QUENDRA_FAULT_CALL", std::to_string(call)},
                                                {"QUENDRA_FAULT_ERRNO", std::to_string(error)},
                                                {"QUENDRA_FAULT_REPORT", report.string()},
                                            }};
        if (!tmpfile) conditions.environment.push_back({"QUENDRA_NO_TMPFILE", "1"});
        Run run{testing::RunProgram(conditions, {GTM2WTR_PATH, input, output}), Calls(report)};
        fs::remove(report);
        return run;
    };

    for (bool tmpfile : {true, false}) {
        SCOPED_TRACE(tmpfile ? "unnamed temporary file" : "named temporary file");
        const Run clean = convert(tmpfile, 0, EIO);
        ASSERT_EQ(clean.result.exitCode, 0) << clean.result.output;
        ASSERT_EQ(fs::file_size(output), kWtrSize);
        const std::vector<std::string>& calls = clean.calls;
        auto count = [&](const std::string& call) {
            return std::count(calls.begin(), calls.end(), call);
        };
        auto position = [&](const std::string& call) {
            return static_cast<std::size_t>(std::find(calls.begin(), calls.end(), call) -
                                            calls.begin()) +
                   1;
        };
        // The shim sees every kind of call a save makes, or the sweep would prove little.
        for (const char* call :
             {"read(r)", "lstat", "stat", "faccessat", "fchown(w)", "fchmod(w)", "fsync(w)",
              "close(w)", "renameat", "fsync(d)", tmpfile ? "openat-tmpfile" : "openat"}) {
            EXPECT_EQ(count(call), 1) << call;
        }
        EXPECT_EQ(count("write(w)"), 2);
        EXPECT_EQ(count("linkat"), tmpfile ? 1 : 0);
        std::cout << (tmpfile ? "unnamed" : "named") << " temporary file: " << calls.size()
                  << " I/O calls:";
        for (const std::string& call : calls) std::cout << ' ' << call;
        std::cout << '\n';
        // Where a kill leaves the new file under its temporary name.
        const std::size_t named = position(tmpfile ? "linkat" : "openat");
        const std::size_t renamed = position("renameat");

        for (std::size_t call = 1; call <= calls.size(); ++call) {
            const std::string& kind = calls[call - 1];
            // A kill is tried where it matters: where the new bytes have no name.
            for (int error :
                 tmpfile ? std::vector{EIO, ENOSPC, EDQUOT, 0} : std::vector{EIO, ENOSPC, EDQUOT}) {
                SCOPED_TRACE("call " + std::to_string(call) + " (" + kind + ") " +
                             (error ? std::strerror(error) : "killed"));
                std::set<fs::path> before = Names(out);
                Run run = convert(tmpfile, call, error);
                ASSERT_GE(run.calls.size(), call) << "the call was never reached";
                bool leftover = error == 0 && call > named && call <= renamed;
                EXPECT_EQ(Names(out).size(), before.size() + (leftover ? 1 : 0));
                bool ignored = error != 0 && (kind == "close(r)" || kind == "close(d)");
                bool replaced = call > renamed || ignored;
                EXPECT_EQ(testing::ReadBytes(output).size(), replaced ? kWtrSize : old.size());
                if (error == 0) {
                    EXPECT_EQ(run.result.signal, SIGKILL);
                } else if (ignored) {
                    EXPECT_EQ(run.result.exitCode, 0) << "nothing can be lost by this failure";
                } else {
                    EXPECT_EQ(run.result.exitCode, 1);
                    EXPECT_NE(run.result.output.find(std::strerror(error)), std::string::npos)
                        << run.result.output;
                }
                if (error != 0 && !replaced) {
                    EXPECT_TRUE(testing::ReadBytes(output) == old) << "the old file changed";
                }
            }
        }
    }
}

}  // namespace
}  // namespace quendra

#endif  // __linux__
