// The POSIX side of platform/file_io.h: open, O_TMPFILE, fsync and renameat.
#include "platform/byte_source.h"
#include "platform/file_calls_posix.h"
#include "platform/file_io.h"
#include "platform/file_io_common.h"

#include <cerrno>
#include <string>

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quendra {

namespace file_io_detail {

const std::error_category& SystemErrors() {
    return std::generic_category();
}

std::error_code LastError() {
    return {errno, std::generic_category()};
}

}  // namespace file_io_detail

using namespace file_io_detail;

namespace {

// Follows symbolic links from `path` to the file they finally name. `exists` says
// whether that file exists, and `info` then holds its lstat.
std::error_code FollowLinks(std::filesystem::path& path, struct stat& info, bool& exists) {
    exists = false;
    for (int hops = 0; hops < 40; ++hops) {
        if (os.lstat(path.c_str(), &info) != 0) {
            return errno == ENOENT ? std::error_code() : LastError();
        }
        if (!S_ISLNK(info.st_mode)) {
            exists = true;
            return {};
        }
        char link[PATH_MAX];
        ssize_t length = ::readlink(path.c_str(), link, sizeof link);
        if (length < 0) return LastError();
        if (static_cast<std::size_t>(length) >= sizeof link) {
            return std::make_error_code(std::errc::filename_too_long);
        }
        std::filesystem::path next(std::string(link, static_cast<std::size_t>(length)));
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    return std::make_error_code(std::errc::too_many_symbolic_link_levels);
}

// A rename over a file refused with EPERM: in a sticky folder (as /tmp is) only the
// owner of the file or of the folder may replace it, which the system words only as
// "Operation not permitted".
std::error_code WhyNotReplaced(int folder, const std::filesystem::path& target) {
    const std::error_code plain(EPERM, std::generic_category());
    struct stat dir {};
    struct stat file {};
    if (::fstat(folder, &dir) != 0 ||
        ::fstatat(folder, target.filename().c_str(), &file, AT_SYMLINK_NOFOLLOW) != 0) {
        return plain;
    }
    const uid_t me = ::geteuid();
    bool ownerOnly = (dir.st_mode & S_ISVTX) != 0 && dir.st_uid != me && file.st_uid != me;
    return ownerOnly ? make_error_code(Failure::OwnerOnlyFolder) : plain;
}

}  // namespace

FileSource::~FileSource() {
    Close();
}

bool FileSource::Open(const std::filesystem::path& path) {
    Close();
    failure = Failure::None;
    cause.clear();
    // Non-blocking, so a FIFO or device given by mistake is refused below instead of
    // waiting forever for a writer; a regular file reads the same either way.
    int fd = os.open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK, 0);
    if (fd < 0) {
        failure = Failure::CannotOpen;
        cause = LastError();
        return false;
    }
    file_ = fd;
    struct stat info {};
    if (os.fstat(fd, &info) != 0) {
        cause = LastError();
    } else if (!S_ISREG(info.st_mode)) {
        cause = Failure::NotRegularFile;
    } else if (info.st_size == 0) {
        failure = Failure::Empty;
    } else {
        size = static_cast<std::uint64_t>(info.st_size);
        return true;
    }
    if (failure == Failure::None) failure = Failure::CannotOpen;
    Close();
    return false;
}

bool FileSource::Read(std::uint8_t* out, std::size_t size, std::size_t& got) {
    got = 0;
    if (failure != Failure::None) return false;
    if (file_ < 0) return true;
    for (;;) {
        ssize_t n = os.read(static_cast<int>(file_), out, size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            failure = Failure::CannotRead;
            cause = LastError();
            return false;
        }
        got = static_cast<std::size_t>(n);
        return true;
    }
}

void FileSource::Close() {
    // Only read from, so closing cannot lose anything.
    if (file_ >= 0) os.close(static_cast<int>(file_));
    file_ = -1;
}

bool SafeFileWriter::Open(const std::filesystem::path& target, const std::filesystem::path& input) {
    Discard();
    error_.clear();
    target_ = target;
    struct stat old {};
    if (std::error_code why = FollowLinks(target_, old, exists_)) return Fail(why);
    if (exists_) {
        if (!S_ISREG(old.st_mode)) return Fail(Failure::NotRegularFile);
        struct stat source {};
        if (!input.empty()) {
            if (os.stat(input.c_str(), &source) == 0) {
                if (source.st_dev == old.st_dev && source.st_ino == old.st_ino) {
                    return Fail(Failure::SameFileAsInput);
                }
            } else if (errno != ENOENT) {
                return Fail(LastError());
            }
        }
        // The effective ids decide, as for opening the file. Root may write anything, so
        // a file without a single write bit is taken as the user's wish to keep it.
        if (os.faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0) {
            return Fail(errno == EACCES ? Failure::ReadOnly : LastError());
        }
        if ((old.st_mode & 0222) == 0) return Fail(Failure::ReadOnly);
    }

    std::filesystem::path folder = target_.parent_path();
    folder_ = os.open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (folder_ < 0) return Fail(LastError());
    // The new file starts private; an existing file's mode is put on it below.
    mode_t mode = exists_ ? 0600 : 0666;
#ifdef O_TMPFILE
    // Unnamed until Commit links it in, so a killed save leaves nothing behind.
    file_ = os.openat(folder_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    bool unsupported = file_ < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL);
#else
    bool unsupported = true;
#endif
    for (unsigned attempt = 0; unsupported && attempt < 16; ++attempt) {
        std::filesystem::path name = TemporaryNameFor(target_, attempt);
        file_ = os.openat(folder_, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (file_ >= 0) temporary_ = name;
        if (file_ >= 0 || errno != EEXIST) break;
    }
    if (file_ < 0) {
        bool refused = errno == EACCES || errno == EPERM;
        return Fail(refused ? Failure::FolderNotWritable : LastError());
    }
    if (exists_) {
        // Root keeps the owner; anyone keeps a group they belong to; the rest stays ours.
        if (os.fchown(file_, old.st_uid, old.st_gid) != 0 &&
            (errno != EPERM ||
             (os.fchown(file_, static_cast<uid_t>(-1), old.st_gid) != 0 && errno != EPERM))) {
            return Fail(LastError());
        }
        if (os.fchmod(file_, old.st_mode & 07777) != 0) return Fail(LastError());
    }
    return Ready();
}

bool SafeFileWriter::WriteOut(const char* at, std::size_t left) {
    if (failed_ || file_ < 0) return false;
    while (left > 0) {
        ssize_t n = os.write(file_, at, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (!error_) error_ = n < 0 ? LastError() : std::make_error_code(std::errc::io_error);
            failed_ = true;
            return false;
        }
        at += n;
        left -= static_cast<std::size_t>(n);
    }
#ifdef __linux__
    // Starts this block on its way to the disk while the next one is made, so the fsync
    // in Commit() waits only for the last one. A hint: its result changes nothing.
    ::sync_file_range(file_, 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
    return true;
}

bool SafeFileWriter::Commit() {
    if (!Flush()) return Fail(error_);
    if (os.fsync(file_) != 0) return Fail(LastError());
    for (unsigned attempt = 0; temporary_.empty() && attempt < 16; ++attempt) {
        // An unnamed file gets a name only now; rename cannot take it without one.
        std::filesystem::path name = TemporaryNameFor(target_, attempt);
        std::string self = "/proc/self/fd/" + std::to_string(file_);
        if (os.linkat(AT_FDCWD, self.c_str(), folder_, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            temporary_ = name;
        } else if (errno != EEXIST) {
            return Fail(LastError());
        }
    }
    if (temporary_.empty()) return Fail(LastError());
    const int file = file_;
    file_ = -1;
    if (os.close(file) != 0) return Fail(LastError());
    if (os.renameat(folder_, temporary_.c_str(), folder_, target_.filename().c_str()) != 0) {
        return Fail(errno == EPERM ? WhyNotReplaced(folder_, target_) : LastError());
    }
    temporary_.clear();
    // Makes the rename itself durable. The new file is already in place, so a failure
    // here is reported as what it is rather than as a failed replace.
    const int folder = folder_;
    folder_ = -1;
    bool synced = os.fsync(folder) == 0;
    std::error_code why(errno, FolderSyncCategory());
    os.close(folder);  // only read from
    if (!synced) return Fail(why);
    return true;
}

void SafeFileWriter::Discard() {
    if (file_ >= 0) {
        os.close(file_);
        file_ = -1;
    }
    if (folder_ >= 0) {
        if (!temporary_.empty()) ::unlinkat(folder_, temporary_.c_str(), 0);
        os.close(folder_);
        folder_ = -1;
    }
    temporary_.clear();
    failed_ = true;
}

}  // namespace quendra
