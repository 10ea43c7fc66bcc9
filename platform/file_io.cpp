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
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quendra {

namespace {

constexpr std::size_t kWriteBufferSize = 1 << 20;

// A name no other writer in the folder will pick: pid, time and randomness.
std::filesystem::path TemporaryNameFor(const std::filesystem::path& target, unsigned attempt) {
    static std::mt19937_64 random{
        std::random_device{}() ^
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count())};
    // Hidden, and short enough that a long target name still leaves room for the suffix.
    std::filesystem::path name = ".";
    name += target.filename().native().substr(0, 100);
    name += ".tmp-" + std::to_string(random() ^ attempt);
    return target.parent_path() / name;
}

bool Fail(ReadFailure why, ReadFailure* failure) {
    if (failure != nullptr) *failure = why;
    return false;
}

}  // namespace

#ifdef _WIN32

bool ReadWholeFile(const std::filesystem::path& path, std::vector<std::uint8_t>& data,
                   ReadFailure* failure) {
    data.clear();
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return Fail(ReadFailure::CannotOpen, failure);
    ReadFailure why = ReadFailure::None;
    LARGE_INTEGER size{};
    // Devices such as CON or NUL open like files but are not files.
    if (GetFileType(file) != FILE_TYPE_DISK) {
        why = ReadFailure::CannotOpen;
    } else if (!GetFileSizeEx(file, &size)) {
        why = ReadFailure::CannotRead;
    } else if (size.QuadPart == 0) {
        why = ReadFailure::Empty;
    } else if (static_cast<std::uint64_t>(size.QuadPart) > kMaxReadSize ||
               !AllocateBytes(data, static_cast<std::size_t>(size.QuadPart))) {
        why = ReadFailure::TooLarge;
    } else {
        std::size_t got = 0;
        while (got < data.size()) {
            DWORD read = 0;
            if (!ReadFile(file, data.data() + got, static_cast<DWORD>(data.size() - got), &read,
                          nullptr) ||
                read == 0) {
                break;
            }
            got += read;
        }
        if (got != data.size()) why = ReadFailure::CannotRead;
    }
    CloseHandle(file);
    if (why != ReadFailure::None) {
        data.clear();
        data.shrink_to_fit();
        return Fail(why, failure);
    }
    return true;
}

SafeFileWriter::~SafeFileWriter() {
    Discard();
}

bool SafeFileWriter::Open(const std::filesystem::path& target) {
    Discard();
    target_ = target;
    for (unsigned attempt = 0; attempt < 16; ++attempt) {
        temporary_ = TemporaryNameFor(target, attempt);
        HANDLE file = CreateFileW(temporary_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            handle_ = file;
            buffer_.resize(kWriteBufferSize);
            buffered_ = 0;
            failed_ = false;
            return true;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) break;
    }
    temporary_.clear();
    return false;
}

bool SafeFileWriter::Flush() {
    if (failed_ || handle_ == nullptr) return false;
    const char* at = buffer_.data();
    std::size_t left = buffered_;
    while (left > 0) {
        DWORD written = 0;
        if (!WriteFile(handle_, at, static_cast<DWORD>(left), &written, nullptr) || written == 0) {
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
    if (!Flush() || !FlushFileBuffers(handle_)) {
        Discard();
        return false;
    }
    CloseHandle(handle_);
    handle_ = nullptr;
    if (!MoveFileExW(temporary_.c_str(), target_.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        Discard();
        return false;
    }
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

bool ReadWholeFile(const std::filesystem::path& path, std::vector<std::uint8_t>& data,
                   ReadFailure* failure) {
    data.clear();
    ReadFailure why = ReadFailure::None;
    // Non-blocking, so a FIFO or device given by mistake is refused below instead of
    // waiting forever for a writer; a regular file reads the same either way.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return Fail(ReadFailure::CannotOpen, failure);
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        why = ReadFailure::CannotOpen;
    } else if (info.st_size == 0) {
        why = ReadFailure::Empty;
    } else if (static_cast<std::uint64_t>(info.st_size) > kMaxReadSize ||
               !AllocateBytes(data, static_cast<std::size_t>(info.st_size))) {
        why = ReadFailure::TooLarge;
    } else {
        std::size_t got = 0;
        while (got < data.size()) {
            ssize_t n = ::read(fd, data.data() + got, data.size() - got);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            got += static_cast<std::size_t>(n);
        }
        if (got != data.size()) why = ReadFailure::CannotRead;
    }
    ::close(fd);
    if (why != ReadFailure::None) {
        data.clear();
        data.shrink_to_fit();
        return Fail(why, failure);
    }
    return true;
}

SafeFileWriter::~SafeFileWriter() {
    Discard();
}

bool SafeFileWriter::Open(const std::filesystem::path& target) {
    Discard();
    target_ = target;
    for (unsigned attempt = 0; attempt < 16; ++attempt) {
        temporary_ = TemporaryNameFor(target, attempt);
        // 0666 and the umask, as for any newly created file.
        int fd = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            fd_ = fd;
            buffer_.resize(kWriteBufferSize);
            buffered_ = 0;
            failed_ = false;
            return true;
        }
        if (errno != EEXIST) break;
    }
    temporary_.clear();
    return false;
}

bool SafeFileWriter::Flush() {
    if (failed_ || fd_ < 0) return false;
    const char* at = buffer_.data();
    std::size_t left = buffered_;
    while (left > 0) {
        ssize_t n = ::write(fd_, at, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
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
    if (!Flush() || ::fsync(fd_) != 0) {
        Discard();
        return false;
    }
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 || ::rename(temporary_.c_str(), target_.c_str()) != 0) {
        Discard();
        return false;
    }
    temporary_.clear();
    // Make the rename itself durable; the data is already safe, so this may fail quietly.
    std::filesystem::path folder = target_.parent_path();
    int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

void SafeFileWriter::Discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
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
