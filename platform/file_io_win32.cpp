// The Windows side of platform/file_io.h: CreateFileW, ReplaceFileW and the system's own
// error texts.
#include "platform/byte_source.h"
#include "platform/file_calls_win32.h"
#include "platform/file_io.h"
#include "platform/file_io_common.h"
#include "platform/utf16.h"

#include <algorithm>
#include <string>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace quendra {

namespace {
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
        std::string result = Utf8FromWide({text, length});
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

}  // namespace

namespace file_io_detail {

const std::error_category& SystemErrors() {
    static const WindowsCategory category;
    return category;
}

std::error_code LastError() {
    return {static_cast<int>(GetLastError()), SystemErrors()};
}

}  // namespace file_io_detail

using namespace file_io_detail;

namespace {

// Opens an existing file or folder only to look at it; following links, as a save does.
HANDLE OpenToInspect(const std::filesystem::path& path) {
    return os.CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// Devices such as CON or NUL open like files but are not files; a type that cannot be
// told is the system's failure, not the file's.
std::error_code CheckOnDisk(HANDLE file) {
    SetLastError(NO_ERROR);
    DWORD type = os.GetFileType(file);
    if (type == FILE_TYPE_DISK) return {};
    if (type == FILE_TYPE_UNKNOWN && GetLastError() != NO_ERROR) return LastError();
    return Failure::NotRegularFile;
}

HANDLE AsHandle(std::intptr_t file) {
    return reinterpret_cast<HANDLE>(file);
}

bool SameFile(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
           a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
}

// Opens a file to be read from its start; on failure, why.
HANDLE OpenToRead(const std::filesystem::path& path, std::error_code& why) {
    HANDLE file = os.CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        why = LastError();
        // A folder cannot be opened as a file at all; say what it is, not "access denied".
        DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            why = Failure::NotRegularFile;
        }
    }
    return file;
}

}  // namespace

FileSource::~FileSource() {
    Close();
}

bool FileSource::Open(const std::filesystem::path& path) {
    Close();
    failure = Failure::None;
    cause.clear();
    size = 0;
    HANDLE file = OpenToRead(path, cause);
    if (file == INVALID_HANDLE_VALUE) {
        failure = Failure::CannotOpen;
        return false;
    }
    file_ = reinterpret_cast<std::intptr_t>(file);
    LARGE_INTEGER length{};
    if ((cause = CheckOnDisk(file))) {
        failure = Failure::CannotOpen;
    } else if (!os.GetFileSizeEx(file, &length)) {
        failure = Failure::CannotRead;
        cause = LastError();
    } else if (length.QuadPart == 0) {
        failure = Failure::Empty;
    } else {
        size = static_cast<std::uint64_t>(length.QuadPart);
        return true;
    }
    Close();
    return false;
}

bool FileSource::Read(std::uint8_t* out, std::size_t size, std::size_t& got) {
    got = 0;
    if (failure != Failure::None) return false;
    if (file_ == -1) return true;
    DWORD read = 0;
    const auto want = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    if (!os.ReadFile(AsHandle(file_), out, want, &read, nullptr)) {
        failure = Failure::CannotRead;
        cause = LastError();
        return false;
    }
    got = read;
    return true;
}

void FileSource::Close() {
    // Only read from, so closing cannot lose anything.
    if (file_ != -1) os.CloseHandle(AsHandle(file_));
    file_ = -1;
}

bool SafeFileWriter::Open(const std::filesystem::path& target, const std::filesystem::path& input) {
    Discard();
    error_.clear();
    target_ = target;
    exists_ = false;
    HANDLE existing = OpenToInspect(target);
    if (existing == INVALID_HANDLE_VALUE) {
        if (GetLastError() != ERROR_FILE_NOT_FOUND) return Fail(LastError());
    } else {
        BY_HANDLE_FILE_INFORMATION info{};
        std::error_code why = CheckOnDisk(existing);
        if (!why && !os.GetFileInformationByHandle(existing, &info)) why = LastError();
        if (!why && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            why = Failure::NotRegularFile;
        }
        if (!why) {
            // The file a link finally names: it is replaced, the link stays.
            std::wstring final(MAX_PATH, L'\0');  // grown below to what the path needs
            DWORD length = 0;
            while ((length = os.GetFinalPathNameByHandleW(existing, final.data(),
                                                          static_cast<DWORD>(final.size()), 0)) >=
                   final.size()) {
                final.resize(length + 1);
            }
            final.resize(length);
            if (length > 0) {
                target_ = final;
            } else {
                // Some file systems cannot name a file this way, nor wine one past 260
                // characters; a path that is not itself a link names the file already.
                why = LastError();
                DWORD own = GetFileAttributesW(target.c_str());
                if (own != INVALID_FILE_ATTRIBUTES && !(own & FILE_ATTRIBUTE_REPARSE_POINT)) {
                    std::error_code ignored;  // then the path stays as given
                    std::filesystem::path whole = std::filesystem::absolute(target, ignored);
                    why.clear();
                    if (!whole.empty()) target_ = whole;
                }
            }
        }
        os.CloseHandle(existing);
        if (!why && !input.empty()) {
            HANDLE source = OpenToInspect(input);
            BY_HANDLE_FILE_INFORMATION sourceInfo{};
            if (source != INVALID_HANDLE_VALUE) {
                // Unless it is known to be another file, it may be the input itself.
                if (!os.GetFileInformationByHandle(source, &sourceInfo)) {
                    why = LastError();
                } else if (SameFile(info, sourceInfo)) {
                    why = Failure::SameFileAsInput;
                }
                os.CloseHandle(source);
            } else if (GetLastError() != ERROR_FILE_NOT_FOUND) {
                why = LastError();
            }
        }
        // A read-only file is refused, not replaced; so is one its security keeps us from
        // writing. Opening it for writing changes nothing.
        if (!why && (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY)) why = Failure::ReadOnly;
        if (!why) {
            HANDLE writable =
                os.CreateFileW(target_.c_str(), GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (writable == INVALID_HANDLE_VALUE) {
                why = GetLastError() == ERROR_ACCESS_DENIED ? std::error_code(Failure::ReadOnly)
                                                            : LastError();
            }
            if (writable != INVALID_HANDLE_VALUE) os.CloseHandle(writable);
        }
        if (why) return Fail(why);
        exists_ = true;
    }
    for (unsigned attempt = 0; attempt < 16; ++attempt) {
        temporary_ = target_.parent_path() / TemporaryNameFor(target_, attempt);
        HANDLE file = os.CreateFileW(temporary_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            file_ = reinterpret_cast<std::intptr_t>(file);
            return Ready();
        }
        if (GetLastError() != ERROR_FILE_EXISTS) break;
    }
    std::error_code why = LastError();
    temporary_.clear();
    return Fail(why == std::errc::permission_denied ? Failure::FolderNotWritable : why);
}

bool SafeFileWriter::WriteOut(const char* at, std::size_t left) {
    if (failed_ || file_ == -1) return false;
    while (left > 0) {
        DWORD written = 0;
        bool ok = os.WriteFile(AsHandle(file_), at,
                               static_cast<DWORD>(std::min<std::size_t>(left, 1u << 30)), &written,
                               nullptr) != 0;
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
    return true;
}

bool SafeFileWriter::Commit() {
    if (!Flush()) return Fail(error_);
    if (!os.FlushFileBuffers(AsHandle(file_))) return Fail(LastError());
    HANDLE file = AsHandle(file_);
    file_ = -1;
    if (!os.CloseHandle(file)) return Fail(LastError());
    // ReplaceFileW gives the new file the old one's attributes and security.
    bool moved =
        exists_ ? os.ReplaceFileW(target_.c_str(), temporary_.c_str(), nullptr,
                                  REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != 0
                : MoveFileExW(temporary_.c_str(), target_.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
    if (!moved) return Fail(LastError());
    temporary_.clear();
    return true;
}

void SafeFileWriter::Discard() {
    if (file_ != -1) {
        os.CloseHandle(AsHandle(file_));
        file_ = -1;
    }
    if (!temporary_.empty()) {
        DeleteFileW(temporary_.c_str());
        temporary_.clear();
    }
    failed_ = true;
}

}  // namespace quendra
