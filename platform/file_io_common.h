// What the POSIX and Windows halves of the file functions share (file_io_posix.cpp,
// file_io_win32.cpp); the rules common to both are in file_io.cpp.
#pragma once

#include "platform/file_io.h"

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <system_error>
#include <vector>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#endif

namespace quendra::file_io_detail {

// The system's calls that a read and a save over an existing file make, each through this
// table so that a test can fail any of them (tests/robustness/fault_sweep_test.cpp).
struct FileCalls {
#ifdef _WIN32
    decltype(&::CreateFileW) CreateFileW = ::CreateFileW;
    decltype(&::GetFileType) GetFileType = ::GetFileType;
    decltype(&::GetFileSizeEx) GetFileSizeEx = ::GetFileSizeEx;
    decltype(&::ReadFile) ReadFile = ::ReadFile;
    decltype(&::GetFileInformationByHandle) GetFileInformationByHandle =
        ::GetFileInformationByHandle;
    decltype(&::GetFinalPathNameByHandleW) GetFinalPathNameByHandleW = ::GetFinalPathNameByHandleW;
    decltype(&::WriteFile) WriteFile = ::WriteFile;
    decltype(&::FlushFileBuffers) FlushFileBuffers = ::FlushFileBuffers;
    decltype(&::ReplaceFileW) ReplaceFileW = ::ReplaceFileW;
    decltype(&::CloseHandle) CloseHandle = ::CloseHandle;
#else
    // Not variadic, as the system's are, so that a test can stand in for them.
    int (*open)(const char*, int, mode_t) = [](const char* path, int flags, mode_t mode) {
        return ::open(path, flags, mode);
    };
    int (*openat)(int, const char*, int, mode_t) = [](int dir, const char* path, int flags,
                                                      mode_t mode) {
        return ::openat(dir, path, flags, mode);
    };
    decltype(&::fstat) fstat = ::fstat;
    decltype(&::read) read = ::read;
    decltype(&::close) close = ::close;
    decltype(&::lstat) lstat = ::lstat;
    decltype(&::stat) stat = ::stat;
    decltype(&::faccessat) faccessat = ::faccessat;
    decltype(&::fchown) fchown = ::fchown;
    decltype(&::fchmod) fchmod = ::fchmod;
    decltype(&::write) write = ::write;
    decltype(&::fsync) fsync = ::fsync;
    decltype(&::linkat) linkat = ::linkat;
    decltype(&::renameat) renameat = ::renameat;
#endif
};
inline FileCalls os;

// The platform's error numbers, in the system's own words.
#ifdef _WIN32
inline constexpr int kAccessDenied = 5;  // ERROR_ACCESS_DENIED
#else
inline constexpr int kAccessDenied = EACCES;
#endif
const std::error_category& SystemErrors();
// The calling thread's last error (errno or GetLastError) in that category.
std::error_code LastError();

// A name no other writer in the folder will pick: pid, time and randomness.
std::filesystem::path TemporaryNameFor(const std::filesystem::path& target, unsigned attempt);

struct ReadResult {
    Failure failure = Failure::None;
    std::error_code cause;
};

// Reports `result` through the optional outputs; on failure `data` is released.
bool Finish(ReadResult result, FileBytes& data, Failure* failure, std::error_code* cause);

// Fills `result` when a file of `size` bytes cannot be taken; otherwise sizes `data`.
void CheckSize(std::uint64_t size, FileBytes& data, ReadResult& result);

}  // namespace quendra::file_io_detail
