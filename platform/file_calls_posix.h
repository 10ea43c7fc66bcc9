// The POSIX calls of the read and the save, one table that a test can stand in for
// (file_io_posix.cpp calls through it).
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace quendra::file_io_detail {

// The system's calls that a read and a save over an existing file make, each through this
// table so that a test can fail any of them (tests/robustness/fault_sweep_test.cpp).
struct FileCalls {
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
};
inline FileCalls os;

}  // namespace quendra::file_io_detail
