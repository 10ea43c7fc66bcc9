// What the POSIX and Windows halves of the file functions share (file_io_posix.cpp,
// file_io_win32.cpp); the rules common to both are in file_io.cpp.
#pragma once

#include "platform/file_io.h"

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <system_error>
#include <vector>

namespace quendra::file_io_detail {

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
