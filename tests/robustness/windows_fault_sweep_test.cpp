// The Windows read and save under every failure of their file calls, and as Windows users
// meet them. The test program points its own imports of the kernel32 file functions (the
// platform code is linked into it) at stand-ins that count the calls of a clean conversion,
// then fail each in turn with ERROR_DISK_FULL, ERROR_ACCESS_DENIED and
// ERROR_SHARING_VIOLATION. gtm2wtr, run in-process, must exit 1 naming the cause, with the
// old file byte-identical and nothing left beside it. Two failures lose nothing and pass: a
// failed close (which still releases its handle, as on Windows), and a target that cannot
// be given its final name, saved under the path given, which is no link. DeleteFileW runs
// only after a failure, to remove the temporary file, so a clean run never reaches it: if
// it failed too, that hidden file would remain. Then the real cases: the target held open
// without sharing by another process, and the read-only attribute. (Paths past 260
// characters: scripts/windows-check.sh, through gtm2wtr.exe.)
#ifdef _WIN32

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/file_io_common.h"
#include "platform/path_text.h"
#include "tests/support/gtm2wtr_run.h"
#include "tests/support/gtm_builder.h"
#include "tests/support/temp_dir.h"

namespace quendra {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

struct Faults {
    bool armed = false;
    std::size_t failAt = 0;  // 0: none fails
    DWORD error = 0;
    std::vector<std::string> calls;
} faults;

// Points this program's import of `name` at `replacement`; gives what it pointed at.
void* RedirectImport(const char* name, void* replacement) {
    auto* base = reinterpret_cast<std::uint8_t*>(GetModuleHandleW(nullptr));
    auto* headers = reinterpret_cast<IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* dll = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         dll->Name != 0; ++dll) {
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), name) != 0) continue;
            DWORD protection = 0;
            VirtualProtect(&slots->u1.Function, sizeof(void*), PAGE_READWRITE, &protection);
            void* original = reinterpret_cast<void*>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slots->u1.Function, sizeof(void*), protection, &protection);
            return original;
        }
    }
    return nullptr;
}

// The stand-in for one function, `Id` keeping functions of one type apart: it counts the
// call while armed and fails the chosen one. A failed CloseHandle still closes, as on Windows.
template <int Id, class R, class... A>
struct StandIn {
    static inline R (*real)(A...) = nullptr;
    static inline const char* name = nullptr;
    static inline R failed{};
    static R Call(A... args) {
        if (faults.armed) faults.calls.push_back(name);
        if (!faults.armed || faults.calls.size() != faults.failAt) return real(args...);
        if (std::strcmp(name, "CloseHandle") == 0) real(args...);
        SetLastError(faults.error);
        return failed;
    }
};

template <int Id, class R, class... A>
bool Redirect(R (*)(A...), const char* name, std::type_identity_t<R> failed) {
    using S = StandIn<Id, R, A...>;
    S::name = name;
    S::failed = failed;
    S::real =
        reinterpret_cast<R (*)(A...)>(RedirectImport(name, reinterpret_cast<void*>(&S::Call)));
    return S::real != nullptr;
}

#define REDIRECT(function, failed) Redirect<__COUNTER__>(&::function, #function, failed)

bool RedirectFileCalls() {
    static const bool redirected =
        REDIRECT(CreateFileW, INVALID_HANDLE_VALUE) && REDIRECT(GetFileType, FILE_TYPE_UNKNOWN) &&
        REDIRECT(GetFileSizeEx, FALSE) && REDIRECT(ReadFile, FALSE) &&
        REDIRECT(GetFileAttributesW, INVALID_FILE_ATTRIBUTES) &&
        REDIRECT(GetFileInformationByHandle, FALSE) && REDIRECT(GetFinalPathNameByHandleW, 0) &&
        REDIRECT(WriteFile, FALSE) && REDIRECT(FlushFileBuffers, FALSE) &&
        REDIRECT(ReplaceFileW, FALSE) && REDIRECT(MoveFileExW, FALSE) &&
        REDIRECT(DeleteFileW, FALSE) && REDIRECT(CloseHandle, FALSE);
    return redirected;
}

// gtm2wtr in-process: its exit status, and what it said in `said`.
int Convert(const fs::path& input, const fs::path& output, std::string& said) {
    const testing::CliRun run = testing::Gtm2wtr({TextFromPath(input), TextFromPath(output)});
    said = run.err;
    return run.exit;
}

std::string Cause(DWORD error) {
    return file_io_detail::SystemErrors().message(static_cast<int>(error));
}

TEST(WindowsFaultSweep, EveryFileCallOfAConversionFailsWithItsCauseAndLosesNothing) {
    ASSERT_TRUE(RedirectFileCalls());
    // Over 1 MiB of WTR, so the writer's buffer is written out more than once.
    constexpr int kWaypoints = 17000;
    constexpr std::size_t kWtrSize = 16 + 64 * kWaypoints + 32;
    testing::GtmBuilder builder;
    for (int i = 0; i < kWaypoints; ++i) builder.Add({.name = "W" + std::to_string(i)});
    const Bytes old(5000, 0xA5);
    testing::TempDir dir;
    const fs::path input = dir / "in.gtm", output = dir / "old.wtr";
    testing::WriteBytes(input, builder.Build());
    std::string said;
    auto convert = [&](std::size_t failAt, DWORD error) {
        testing::WriteBytes(output, old);
        faults = {true, failAt, error, {}};
        int status = Convert(input, output, said);
        faults.armed = false;
        return status;
    };

    ASSERT_EQ(convert(0, 0), 0) << said;
    ASSERT_EQ(fs::file_size(output), kWtrSize);
    const std::vector<std::string> calls = faults.calls;
    // The stand-ins see the read and the save, or the sweep would prove little.
    for (const char* needed : {"ReadFile", "WriteFile", "FlushFileBuffers", "ReplaceFileW"}) {
        EXPECT_NE(std::find(calls.begin(), calls.end(), needed), calls.end()) << needed;
    }

    for (std::size_t call = 1; call <= calls.size(); ++call) {
        const std::string& name = calls[call - 1];
        for (DWORD error : {ERROR_DISK_FULL, ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION}) {
            SCOPED_TRACE("call " + std::to_string(call) + ", " + name + ": " + Cause(error));
            const int status = convert(call, error);
            ASSERT_TRUE(faults.calls.size() >= call && faults.calls[call - 1] == name)
                << "the call was never reached";
            EXPECT_EQ(dir.Names().size(), 2u) << "something was left beside the old file";
            const Bytes now = testing::ReadBytes(output);
            if (status == 0) {
                // A failed close loses nothing; a path that is no link needs no final name.
                EXPECT_TRUE(name == "CloseHandle" || name == "GetFinalPathNameByHandleW")
                    << "a failure passed unnoticed";
                EXPECT_EQ(now.size(), kWtrSize);
                continue;
            }
            EXPECT_EQ(status, 1);
            // A temporary file that may not be created means the folder is not writable.
            EXPECT_TRUE(said.find(Cause(error)) != std::string::npos ||
                        (error == ERROR_ACCESS_DENIED &&
                         said.find("the folder is not writable") != std::string::npos))
                << said;
            EXPECT_TRUE(now == old) << "the old file changed";
        }
    }
}

// hold_file.exe (beside this program) holding `file` open without sharing while this lives.
struct Holder {
    PROCESS_INFORMATION process{};
    bool holds = false;
    explicit Holder(const fs::path& file) {
        std::wstring self(32768, L'\0');
        self.resize(GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
        const std::wstring event = L"quendra-held-" + std::to_wstring(GetCurrentProcessId());
        HANDLE held = CreateEventW(nullptr, TRUE, FALSE, event.c_str());
        std::wstring command = L"\"" + (fs::path(self).parent_path() / "hold_file.exe").wstring() +
                               L"\" \"" + file.wstring() + L"\" " + event;
        STARTUPINFOW startup{.cb = sizeof startup};
        holds = CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &process) != 0;
        HANDLE both[] = {held, process.hProcess};
        holds = holds && WaitForMultipleObjects(2, both, FALSE, 20000) == WAIT_OBJECT_0;
        CloseHandle(held);
    }
    ~Holder() {
        TerminateProcess(process.hProcess, 0);
        WaitForSingleObject(process.hProcess, 20000);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
};

TEST(WindowsSave, RefusesATargetInUseOrReadOnly) {
    const Bytes gtm = testing::GtmBuilder().Add({}).Build(), old(100, 'o');
    testing::TempDir dir;
    const fs::path input = dir / "in.gtm", output = dir / "old.wtr";
    testing::WriteBytes(input, gtm);
    testing::WriteBytes(output, old);
    std::string said;
    auto refused = [&](int status, DWORD cause) {
        EXPECT_EQ(status, 1);
        EXPECT_NE(said.find(Cause(cause)), std::string::npos) << said;
        EXPECT_TRUE(testing::ReadBytes(output) == old) << "the old file changed";
        EXPECT_EQ(dir.Names().size(), 2u) << "something was left beside the old file";
    };
    {
        SCOPED_TRACE("held open by another program without sharing, as a GPS program may");
        int status = 0;
        {
            Holder holder(output);
            EXPECT_TRUE(holder.holds);
            status = Convert(input, output, said);
        }
        refused(status, ERROR_SHARING_VIOLATION);
    }
    {
        SCOPED_TRACE("with the read-only attribute");
        SetFileAttributesW(output.c_str(), FILE_ATTRIBUTE_READONLY);
        refused(Convert(input, output, said), ERROR_ACCESS_DENIED);
        EXPECT_TRUE(GetFileAttributesW(output.c_str()) & FILE_ATTRIBUTE_READONLY);
        SetFileAttributesW(output.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

}  // namespace
}  // namespace quendra

#endif  // _WIN32
