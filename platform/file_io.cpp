#include "platform/file_io.h"

#include "platform/memory_advice.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <limits>
#include <new>
#include <random>
#include <string>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quendra {

namespace {

constexpr std::size_t kWriteBufferSize = 1 << 20;

class FileIoCategoryImpl : public std::error_category {
public:
    const char* name() const noexcept override { return "quendra file"; }
    std::string message(int code) const override {
        switch (static_cast<FileIoErrc>(code)) {
            case FileIoErrc::NotRegularFile:
                return "not a regular file";
            case FileIoErrc::SameFileAsInput:
                return "same file as the input";
            case FileIoErrc::FolderNotWritable:
                return "the folder is not writable";
            case FileIoErrc::ShortRead:
                return "the file ended before its stated size";
        }
        return "unknown error";
    }
    std::error_condition default_error_condition(int code) const noexcept override {
        if (static_cast<FileIoErrc>(code) == FileIoErrc::FolderNotWritable) {
            return std::errc::permission_denied;
        }
        return {code, *this};
    }
};

#ifdef _WIN32
// GetLastError codes in the system's own words; libstdc++'s system_category does not
// ask Windows for them.
class WindowsCategory : public std::error_category {
public:
    const char* name() const noexcept override { return "windows"; }
    std::string message(int code) const override {
        wchar_t* text = nullptr;
        DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                          FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, static_cast<DWORD>(code), 0,
                                      reinterpret_cast<wchar_t*>(&text), 0, nullptr);
        std::string result;
        if (length > 0) {
            int size = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0,
                                           nullptr, nullptr);
            result.resize(static_cast<std::size_t>(size));
            WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), result.data(), size,
                                nullptr, nullptr);
        }
        LocalFree(text);
        while (!result.empty() && (result.back() == '\n' || result.back() == '\r' ||
                                   result.back() == ' ' || result.back() == '.')) {
            result.pop_back();
        }
        return result.empty() ? "Windows error " + std::to_string(code) : result;
    }
    std::error_condition default_error_condition(int code) const noexcept override {
        switch (code) {
            case ERROR_ACCESS_DENIED:
                return std::errc::permission_denied;
            case ERROR_FILE_NOT_FOUND:
            case ERROR_PATH_NOT_FOUND:
                return std::errc::no_such_file_or_directory;
            case ERROR_DISK_FULL:
            case ERROR_HANDLE_DISK_FULL:
                return std::errc::no_space_on_device;
            case ERROR_WRITE_PROTECT:
                return std::errc::read_only_file_system;
        }
        return {code, *this};
    }
};

const std::error_category& SystemErrors() {
    static const WindowsCategory category;
    return category;
}

std::error_code LastError() {
    return {static_cast<int>(GetLastError()), SystemErrors()};
}
#else
const std::error_category& SystemErrors() {
    return std::generic_category();
}

std::error_code LastError() {
    return {errno, std::generic_category()};
}
#endif

class FolderSyncCategoryImpl : public std::error_category {
public:
    const char* name() const noexcept override { return "quendra folder sync"; }
    std::string message(int code) const override {
        return "the new file is in place, but syncing its folder failed (" +
               SystemErrors().message(code) + "): it may not survive a crash";
    }
    std::error_condition default_error_condition(int code) const noexcept override {
        return SystemErrors().default_error_condition(code);
    }
};

// A name no other writer in the folder will pick: pid, time and randomness.
std::filesystem::path TemporaryNameFor(const std::filesystem::path& target, unsigned attempt) {
    static std::mt19937_64 random{
        std::random_device{}() ^
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count())};
    // Hidden, and short enough that a long target name still leaves room for the suffix.
    std::filesystem::path name = ".";
    name += target.filename().native().substr(0, 100);
    name += ".tmp-" + std::to_string(random() ^ attempt);
    return name;
}

struct ReadResult {
    ReadFailure failure = ReadFailure::None;
    std::error_code cause;
};

bool Finish(ReadResult result, std::vector<std::uint8_t>& data, ReadFailure* failure,
            std::error_code* cause) {
    if (failure != nullptr) *failure = result.failure;
    if (cause != nullptr) *cause = result.cause;
    if (result.failure == ReadFailure::None) return true;
    data.clear();
    data.shrink_to_fit();
    return false;
}

// The size check shared by both platforms: fills `result` when the file cannot be taken.
void CheckSize(std::uint64_t size, std::vector<std::uint8_t>& data, ReadResult& result) {
    if (size == 0) {
        result.failure = ReadFailure::Empty;
    } else if (size > kMaxReadSize) {
        result = {ReadFailure::TooLarge, std::make_error_code(std::errc::file_too_large)};
    } else if (!AllocateBytes(data, static_cast<std::size_t>(size))) {
        result = {ReadFailure::TooLarge, std::make_error_code(std::errc::not_enough_memory)};
    }
}

}  // namespace

const std::error_category& FileIoCategory() {
    static const FileIoCategoryImpl category;
    return category;
}

std::error_code make_error_code(FileIoErrc code) {
    return {static_cast<int>(code), FileIoCategory()};
}

const std::error_category& FolderSyncCategory() {
    static const FolderSyncCategoryImpl category;
    return category;
}

bool SafeFileWriter::Fail(std::error_code why) {
    if (!error_) error_ = why ? why : std::make_error_code(std::errc::bad_file_descriptor);
    Discard();
    return false;
}

SafeFileWriter::~SafeFileWriter() {
    Discard();
}

// The new file is open: writes may start.
bool SafeFileWriter::Ready() {
    buffer_.resize(kWriteBufferSize);
    buffered_ = 0;
    failed_ = false;
    return true;
}

#ifdef _WIN32

namespace {

// Opens an existing file or folder only to look at it; following links, as a save does.
HANDLE OpenToInspect(const std::filesystem::path& path) {
    return CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

bool SameFile(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
           a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
}

}  // namespace

bool ReadWholeFile(const std::filesystem::path& path, std::vector<std::uint8_t>& data,
                   ReadFailure* failure, std::error_code* cause) {
    data.clear();
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::error_code why = LastError();
        // A folder cannot be opened as a file at all; say what it is, not "access denied".
        DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            why = FileIoErrc::NotRegularFile;
        }
        return Finish({ReadFailure::CannotOpen, why}, data, failure, cause);
    }
    ReadResult result;
    LARGE_INTEGER size{};
    // Devices such as CON or NUL open like files but are not files.
    if (GetFileType(file) != FILE_TYPE_DISK) {
        result = {ReadFailure::CannotOpen, FileIoErrc::NotRegularFile};
    } else if (!GetFileSizeEx(file, &size)) {
        result = {ReadFailure::CannotRead, LastError()};
    } else {
        CheckSize(static_cast<std::uint64_t>(size.QuadPart), data, result);
    }
    std::size_t got = 0;
    while (result.failure == ReadFailure::None && got < data.size()) {
        DWORD read = 0;
        DWORD want = static_cast<DWORD>(std::min<std::size_t>(data.size() - got, 1u << 30));
        if (!ReadFile(file, data.data() + got, want, &read, nullptr)) {
            result = {ReadFailure::CannotRead, LastError()};
        } else if (read == 0) {
            result = {ReadFailure::CannotRead, FileIoErrc::ShortRead};
        }
        got += read;
    }
    CloseHandle(file);
    return Finish(result, data, failure, cause);
}

bool SafeFileWriter::Open(const std::filesystem::path& target, const std::filesystem::path& input) {
    Discard();
    error_.clear();
    target_ = target;
    replace_ = false;
    HANDLE existing = OpenToInspect(target);
    if (existing == INVALID_HANDLE_VALUE) {
        if (GetLastError() != ERROR_FILE_NOT_FOUND) return Fail(LastError());
    } else {
        BY_HANDLE_FILE_INFORMATION info{};
        std::error_code why;
        if (GetFileType(existing) != FILE_TYPE_DISK) {
            why = FileIoErrc::NotRegularFile;
        } else if (!GetFileInformationByHandle(existing, &info)) {
            why = LastError();
        } else if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            why = FileIoErrc::NotRegularFile;
        } else {
            // The file a link finally names: it is replaced, the link stays.
            std::wstring final(MAX_PATH, L'\0');
            DWORD length = GetFinalPathNameByHandleW(existing, final.data(),
                                                     static_cast<DWORD>(final.size()), 0);
            if (length >= final.size()) {
                final.resize(length);
                length = GetFinalPathNameByHandleW(existing, final.data(),
                                                   static_cast<DWORD>(final.size()), 0);
            }
            if (length == 0 || length >= final.size()) {
                why = LastError();
            } else {
                final.resize(length);
                target_ = final;
            }
        }
        CloseHandle(existing);
        if (!why && !input.empty()) {
            HANDLE source = OpenToInspect(input);
            BY_HANDLE_FILE_INFORMATION sourceInfo{};
            if (source != INVALID_HANDLE_VALUE) {
                if (GetFileInformationByHandle(source, &sourceInfo) && SameFile(info, sourceInfo)) {
                    why = FileIoErrc::SameFileAsInput;
                }
                CloseHandle(source);
            } else if (GetLastError() != ERROR_FILE_NOT_FOUND) {
                why = LastError();
            }
        }
        // A read-only file is refused, not replaced; so is one its security keeps us from
        // writing. Opening it for writing changes nothing.
        if (!why && (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY)) {
            why = std::error_code(ERROR_ACCESS_DENIED, SystemErrors());
        }
        if (!why) {
            HANDLE writable = CreateFileW(target_.c_str(), GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (writable == INVALID_HANDLE_VALUE) why = LastError();
            if (writable != INVALID_HANDLE_VALUE) CloseHandle(writable);
        }
        if (why) return Fail(why);
        replace_ = true;
    }
    for (unsigned attempt = 0; attempt < 16; ++attempt) {
        temporary_ = target_.parent_path() / TemporaryNameFor(target_, attempt);
        HANDLE file = CreateFileW(temporary_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            handle_ = file;
            return Ready();
        }
        if (GetLastError() != ERROR_FILE_EXISTS) break;
    }
    std::error_code why = LastError();
    temporary_.clear();
    return Fail(why == std::errc::permission_denied ? FileIoErrc::FolderNotWritable : why);
}

bool SafeFileWriter::Flush() {
    if (failed_ || handle_ == nullptr) return false;
    const char* at = buffer_.data();
    std::size_t left = buffered_;
    while (left > 0) {
        DWORD written = 0;
        bool ok = WriteFile(handle_, at, static_cast<DWORD>(std::min<std::size_t>(left, 1u << 30)),
                            &written, nullptr) != 0;
        if (!ok || written == 0) {
            if (!error_) {
                error_ = ok ? std::error_code(ERROR_HANDLE_DISK_FULL, SystemErrors()) : LastError();
            }
            failed_ = true;
            return false;
        }
        at += written;
        left -= written;
    }
    buffered_ = 0;
    return true;
}

bool SafeFileWriter::Commit() {
    if (!Flush()) return Fail(error_);
    if (!FlushFileBuffers(handle_)) return Fail(LastError());
    HANDLE file = handle_;
    handle_ = nullptr;
    if (!CloseHandle(file)) return Fail(LastError());
    // ReplaceFileW gives the new file the old one's attributes and security.
    bool moved =
        replace_ ? ReplaceFileW(target_.c_str(), temporary_.c_str(), nullptr,
                                REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != 0
                 : MoveFileExW(temporary_.c_str(), target_.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
    if (!moved) return Fail(LastError());
    temporary_.clear();
    return true;
}

void SafeFileWriter::Discard() {
    if (handle_ != nullptr) {
        CloseHandle(handle_);
        handle_ = nullptr;
    }
    if (!temporary_.empty()) {
        DeleteFileW(temporary_.c_str());
        temporary_.clear();
    }
    failed_ = true;
}

#else

namespace {

// Follows symbolic links from `path` to the file they finally name. `exists` says
// whether that file exists, and `info` then holds its lstat.
std::error_code FollowLinks(std::filesystem::path& path, struct stat& info, bool& exists) {
    exists = false;
    for (int hops = 0; hops < 40; ++hops) {
        if (::lstat(path.c_str(), &info) != 0) {
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

}  // namespace

bool ReadWholeFile(const std::filesystem::path& path, std::vector<std::uint8_t>& data,
                   ReadFailure* failure, std::error_code* cause) {
    data.clear();
    // Non-blocking, so a FIFO or device given by mistake is refused below instead of
    // waiting forever for a writer; a regular file reads the same either way.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return Finish({ReadFailure::CannotOpen, LastError()}, data, failure, cause);
    ReadResult result;
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        result = {ReadFailure::CannotOpen, LastError()};
    } else if (!S_ISREG(info.st_mode)) {
        result = {ReadFailure::CannotOpen, FileIoErrc::NotRegularFile};
    } else {
        CheckSize(static_cast<std::uint64_t>(info.st_size), data, result);
    }
    std::size_t got = 0;
    while (result.failure == ReadFailure::None && got < data.size()) {
        ssize_t n = ::read(fd, data.data() + got, data.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            result = {ReadFailure::CannotRead, LastError()};
        } else if (n == 0) {
            result = {ReadFailure::CannotRead, FileIoErrc::ShortRead};
        } else {
            got += static_cast<std::size_t>(n);
        }
    }
    // Only read from: every byte is in, so closing cannot lose any.
    ::close(fd);
    return Finish(result, data, failure, cause);
}

bool SafeFileWriter::Open(const std::filesystem::path& target, const std::filesystem::path& input) {
    Discard();
    error_.clear();
    target_ = target;
    struct stat old {};
    bool exists = false;
    if (std::error_code why = FollowLinks(target_, old, exists)) return Fail(why);
    if (exists) {
        if (!S_ISREG(old.st_mode)) return Fail(FileIoErrc::NotRegularFile);
        struct stat source {};
        if (!input.empty()) {
            if (::stat(input.c_str(), &source) == 0) {
                if (source.st_dev == old.st_dev && source.st_ino == old.st_ino) {
                    return Fail(FileIoErrc::SameFileAsInput);
                }
            } else if (errno != ENOENT) {
                return Fail(LastError());
            }
        }
        // The effective ids decide, as for opening the file. Root may write anything, so
        // a file without a single write bit is taken as the user's wish to keep it.
        if (::faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0) return Fail(LastError());
        if ((old.st_mode & 0222) == 0)
            return Fail(std::make_error_code(std::errc::permission_denied));
    }

    std::filesystem::path folder = target_.parent_path();
    folder_ = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder_ < 0) return Fail(LastError());
    // The new file starts private; an existing file's mode is put on it below.
    mode_t mode = exists ? 0600 : 0666;
#ifdef O_TMPFILE
    // Unnamed until Commit links it in, so a killed save leaves nothing behind.
    fd_ = ::openat(folder_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    bool unsupported = fd_ < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL);
#else
    bool unsupported = true;
#endif
    for (unsigned attempt = 0; unsupported && attempt < 16; ++attempt) {
        std::filesystem::path name = TemporaryNameFor(target_, attempt);
        fd_ = ::openat(folder_, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd_ >= 0) temporary_ = name;
        if (fd_ >= 0 || errno != EEXIST) break;
    }
    if (fd_ < 0) {
        bool refused = errno == EACCES || errno == EPERM;
        return Fail(refused ? FileIoErrc::FolderNotWritable : LastError());
    }
    if (exists) {
        // Root keeps the owner; anyone keeps a group they belong to; the rest stays ours.
        if (::fchown(fd_, old.st_uid, old.st_gid) != 0 &&
            (errno != EPERM ||
             (::fchown(fd_, static_cast<uid_t>(-1), old.st_gid) != 0 && errno != EPERM))) {
            return Fail(LastError());
        }
        if (::fchmod(fd_, old.st_mode & 07777) != 0) return Fail(LastError());
    }
    return Ready();
}

bool SafeFileWriter::Flush() {
    if (failed_ || fd_ < 0) return false;
    const char* at = buffer_.data();
    std::size_t left = buffered_;
    while (left > 0) {
        ssize_t n = ::write(fd_, at, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (!error_) error_ = n < 0 ? LastError() : std::make_error_code(std::errc::io_error);
            failed_ = true;
            return false;
        }
        at += n;
        left -= static_cast<std::size_t>(n);
    }
    buffered_ = 0;
#ifdef __linux__
    // Starts this block on its way to the disk while the next one is made, so the fsync
    // in Commit() waits only for the last one. A hint: its result changes nothing.
    ::sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
    return true;
}

bool SafeFileWriter::Commit() {
    if (!Flush()) return Fail(error_);
    if (::fsync(fd_) != 0) return Fail(LastError());
    for (unsigned attempt = 0; temporary_.empty() && attempt < 16; ++attempt) {
        // An unnamed file gets a name only now; rename cannot take it without one.
        std::filesystem::path name = TemporaryNameFor(target_, attempt);
        std::string self = "/proc/self/fd/" + std::to_string(fd_);
        if (::linkat(AT_FDCWD, self.c_str(), folder_, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            temporary_ = name;
        } else if (errno != EEXIST) {
            return Fail(LastError());
        }
    }
    if (temporary_.empty()) return Fail(LastError());
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) return Fail(LastError());
    if (::renameat(folder_, temporary_.c_str(), folder_, target_.filename().c_str()) != 0) {
        return Fail(LastError());
    }
    temporary_.clear();
    // Makes the rename itself durable. The new file is already in place, so a failure
    // here is reported as what it is rather than as a failed replace.
    int folder = folder_;
    folder_ = -1;
    bool synced = ::fsync(folder) == 0;
    std::error_code why(errno, FolderSyncCategory());
    ::close(folder);  // only read from
    if (!synced) return Fail(why);
    return true;
}

void SafeFileWriter::Discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (folder_ >= 0) {
        if (!temporary_.empty()) ::unlinkat(folder_, temporary_.c_str(), 0);
        ::close(folder_);
        folder_ = -1;
    }
    temporary_.clear();
    failed_ = true;
}

#endif

bool SafeFileWriter::Write(const void* bytes, std::size_t size) {
    if (failed_) return false;
    const char* from = static_cast<const char*>(bytes);
    while (size > 0) {
        if (buffered_ == buffer_.size() && !Flush()) return false;
        std::size_t take = std::min(size, buffer_.size() - buffered_);
        std::memcpy(buffer_.data() + buffered_, from, take);
        buffered_ += take;
        from += take;
        size -= take;
    }
    return true;
}

}  // namespace quendra
