// The Windows calls of the read and the save, one table that a test can stand in for
// (file_io_win32.cpp calls through it).
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace quendra::file_io_detail {

// The system's calls that a read and a save over an existing file make, each through this
// table so that a test can fail any of them (tests/robustness/fault_sweep_test.cpp).
struct FileCalls {
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
};
inline FileCalls os;

}  // namespace quendra::file_io_detail
