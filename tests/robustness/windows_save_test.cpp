// The Windows save as Windows users meet it: a target held open without sharing (as a GPS
// program may hold it) and one with the read-only attribute are refused in the system's
// words, the old file byte-identical, the attribute kept and nothing left beside it. (Every
// file call failed in turn: fault_sweep_test.cpp; paths past 260 characters:
// scripts/windows-check.sh, through gtm2wtr.exe.)
#ifdef _WIN32

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include <windows.h>

#include "platform/file_io_common.h"
#include "platform/path_text.h"
#include "tests/support/gtm2wtr_run.h"
#include "tests/support/gtm_builder.h"
#include "tests/support/temp_dir.h"

namespace quendra {
namespace {

TEST(WindowsSave, RefusesATargetInUseOrReadOnly) {
    testing::TempDir dir;
    const std::filesystem::path input = dir / "in.gtm", output = dir / "old.wtr";
    const std::vector<std::uint8_t> old(100, 'o');
    testing::WriteBytes(input, testing::GtmBuilder().Add({}).Build());
    testing::WriteBytes(output, old);
    for (DWORD cause : {ERROR_SHARING_VIOLATION, ERROR_ACCESS_DENIED}) {
        const bool held = cause == ERROR_SHARING_VIOLATION;
        SCOPED_TRACE(held ? "held open without sharing" : "with the read-only attribute");
        // Sharing is between handles, whichever process holds them.
        HANDLE holder = held ? CreateFileW(output.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
                             : INVALID_HANDLE_VALUE;
        if (!held) SetFileAttributesW(output.c_str(), FILE_ATTRIBUTE_READONLY);
        const testing::CliRun run = testing::Gtm2wtr({TextFromPath(input), TextFromPath(output)});
        if (held) CloseHandle(holder);
        const DWORD readOnly = GetFileAttributesW(output.c_str()) & FILE_ATTRIBUTE_READONLY;
        SetFileAttributesW(output.c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(run.exit, 1);
        const std::string words = file_io_detail::SystemErrors().message(static_cast<int>(cause));
        EXPECT_NE(run.err.find(words), std::string::npos) << run.err;
        EXPECT_EQ(readOnly, held ? 0u : DWORD{FILE_ATTRIBUTE_READONLY});
        EXPECT_TRUE(testing::ReadBytes(output) == old) << "the old file changed";
        EXPECT_EQ(dir.Names().size(), 2u) << "something was left beside the old file";
    }
}

}  // namespace
}  // namespace quendra

#endif  // _WIN32
