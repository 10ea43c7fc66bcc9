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
#include <string>
#include <vector>

#include "tests/robustness/child_process.h"
#include "tests/support/gtm_builder.h"
#include "tests/support/temp_dir.h"

namespace quendra {
namespace {

namespace fs = std::filesystem;

// Over 1 MiB of WTR, so the save writes a block of records and then the rest.
constexpr int kWaypoints = 17000;
constexpr std::size_t kWtrSize = 16 + 64 * kWaypoints + 32;

TEST(FaultSweep, EveryIoCallOfAConversionFailsWithItsCauseAndLosesNothing) {
    testing::GtmBuilder builder;
    for (int i = 0; i < kWaypoints; ++i) builder.Add({.name = "W" + std::to_string(i)});
    const std::vector<std::uint8_t> old(5000, 0xA5);
    testing::TempDir dir;
    const fs::path input = dir / "in.gtm", output = dir / "old.wtr";
    const fs::path report = dir.path().string() + ".calls";
    testing::WriteBytes(input, builder.Build());

    // Under ASan the shim comes before the sanitizer's runtime, which it then calls.
    const char* given = std::getenv("ASAN_OPTIONS");
    const std::string asanOptions =
        (given ? std::string(given) + ":" : std::string()) + "verify_asan_link_order=0";
    // Runs gtm2wtr over a fresh old file; gives its result and the calls the shim counted.
    auto convert = [&](bool tmpfile, std::size_t call, int error, std::vector<std::string>& calls) {
        testing::WriteBytes(output, old);
        fs::permissions(output, fs::perms(0644));
        testing::ChildConditions conditions{.environment = {
                                                {"LD_PRELOAD", FAULT_SHIM_PATH},
                                                {"ASAN_OPTIONS", asanOptions},
                                                {"QUENDRA_FAULT_DIR", dir.path().string()},
                                                {"QUENDRA_FAULT_CALL", std::to_string(call)},
                                                {"QUENDRA_FAULT_ERRNO", std::to_string(error)},
                                                {"QUENDRA_FAULT_REPORT", report.string()},
                                            }};
        if (!tmpfile) conditions.environment.push_back({"QUENDRA_NO_TMPFILE", "1"});
        testing::ChildResult result =
            testing::RunProgram(conditions, {GTM2WTR_PATH, input, output});
        std::ifstream in(report);
        for (std::string number, kind; in >> number >> kind;) calls.push_back(kind);
        fs::remove(report);
        return result;
    };

    for (bool tmpfile : {true, false}) {
        SCOPED_TRACE(tmpfile ? "unnamed temporary file" : "named temporary file");
        std::vector<std::string> calls;
        ASSERT_EQ(convert(tmpfile, 0, EIO, calls).exitCode, 0);
        ASSERT_EQ(fs::file_size(output), kWtrSize);
        // The shim sees every call a save makes, or the sweep would prove little. (r), (w)
        // and (d): on the input, on the new file and on the folder.
        std::string seen;
        for (const std::string& call : calls) seen += call + ' ';
        EXPECT_EQ(seen, std::string("open fstat(r) read(r) close(r) lstat stat faccessat open ") +
                            (tmpfile ? "openat-tmpfile " : "openat ") +
                            "fchown(w) fchmod(w) write(w) write(w) fsync(w) " +
                            (tmpfile ? "linkat " : "") + "close(w) renameat fsync(d) close(d) ");
        // A kill leaves the new file under its temporary name after `named`, to `renamed`.
        const auto callOf = [&](const char* kind) {
            return std::size_t(std::find(calls.begin(), calls.end(), kind) - calls.begin()) + 1;
        };
        const std::size_t named = callOf(tmpfile ? "linkat" : "openat"),
                          renamed = callOf("renameat");

        for (std::size_t call = 1; call <= calls.size(); ++call) {
            const std::string& kind = calls[call - 1];
            // A kill is tried where it matters: where the new bytes have no name.
            for (int error :
                 tmpfile ? std::vector{EIO, ENOSPC, EDQUOT, 0} : std::vector{EIO, ENOSPC, EDQUOT}) {
                SCOPED_TRACE("call " + std::to_string(call) + " (" + kind + ") " +
                             (error ? std::strerror(error) : "killed"));
                const std::size_t before = dir.Names().size();  // kills above leave files
                std::vector<std::string> reached;
                testing::ChildResult run = convert(tmpfile, call, error, reached);
                ASSERT_GE(reached.size(), call) << "the call was never reached";
                bool leftover = error == 0 && call > named && call <= renamed;
                EXPECT_EQ(dir.Names().size(), before + (leftover ? 1 : 0));
                bool ignored = error != 0 && (kind == "close(r)" || kind == "close(d)");
                bool replaced = call > renamed || ignored;
                if (error == 0) {
                    EXPECT_EQ(run.signal, SIGKILL);
                } else {
                    EXPECT_EQ(run.exitCode, ignored ? 0 : 1) << run.output;
                    EXPECT_TRUE(ignored ||
                                run.output.find(std::strerror(error)) != std::string::npos)
                        << run.output;
                }
                const std::vector<std::uint8_t> now = testing::ReadBytes(output);
                EXPECT_TRUE(replaced ? now.size() == kWtrSize : now == old)
                    << (replaced ? "not the new file" : "the old file changed");
            }
        }
    }
}

}  // namespace
}  // namespace quendra

#endif  // __linux__
