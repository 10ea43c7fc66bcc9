// Whole-file reading and replace-on-success writing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <span>
#include <string>
#include <system_error>
#include <vector>

#include "platform/byte_source.h"
#include "platform/failure.h"
#include "platform/large_memory.h"

namespace quendra {

// A save whose new file is in place, but whose folder could not be synced: the rename may
// not survive a crash. The value is the system's error number; it compares equal to the
// plain error (std::errc::io_error and so on).
const std::error_category& FolderSyncCategory();

// The system's own words for a cause: for a FolderSyncCategory error, those of its error
// number alone; for any other error, its message.
std::string SystemWords(const std::error_code& error);

// The largest file read: what a 32-bit size can state, which is also what any GTM or
// WTR writer can have produced.
inline constexpr std::uint64_t kMaxReadSize = 0xFFFFFFFFu;

// Reads the whole file into `data`. Fails for a missing or unreadable file, an empty
// file, anything but a regular file, or a read that returns fewer bytes than the file's
// size; `data` is then empty, `failure` (when given) says which and `cause` (when given)
// the system's reason, empty where there is none (an empty file).
bool ReadWholeFile(const std::filesystem::path& path, FileBytes& data, Failure* failure = nullptr,
                   std::error_code* cause = nullptr);

// `size` bytes from `source` into `data`, the first of them `head`, read already: refused
// as ReadWholeFile refuses a file of that size, or one that ends before it.
bool ReadSized(ByteSource& source, std::uint64_t size, std::span<const std::uint8_t> head,
               FileBytes& data, Failure* failure = nullptr, std::error_code* cause = nullptr);

// Writes a file so that its old content survives any failure: the bytes go to a
// temporary file (unnamed where the file system allows) in the target's folder, which
// replaces the target only in Commit(), after every byte is written and synced.
// Destroying an uncommitted writer removes the temporary file and leaves the target as
// it was.
//
// What is replaced is respected: symbolic links are followed and the file they name is
// replaced (the link stays); the replacement keeps the old file's permissions, and its
// owner and group where the process may set them. Open() refuses anything but a regular
// file, an existing file that may not be written (by its permissions, or, even for root,
// a mode without any write bit), and `input` when it names the same file as the target.
class SafeFileWriter {
public:
    SafeFileWriter() = default;
    ~SafeFileWriter();
    SafeFileWriter(const SafeFileWriter&) = delete;
    SafeFileWriter& operator=(const SafeFileWriter&) = delete;

    bool Open(const std::filesystem::path& target, const std::filesystem::path& input = {});
    // Buffered, except that a block of 1 MiB or more is written as it is; a failure here or
    // in an earlier Write makes Commit() fail.
    bool Write(const void* bytes, std::size_t size);
    bool Commit();
    // Why Open, Write or Commit failed: the first failure since Open.
    const std::error_code& error() const { return error_; }

private:
    bool Ready();
    bool Flush();
    // The platform's writes of `size` bytes; a failure is sticky.
    bool WriteOut(const char* bytes, std::size_t size);
    bool Fail(std::error_code why);
    void Discard();

    std::filesystem::path target_;     // the file finally named, after links
    std::filesystem::path temporary_;  // a name in the target's folder, once there is one
    std::vector<char> buffer_;
    std::size_t buffered_ = 0;
    bool failed_ = false;
    std::error_code error_;
    // The new file and, on POSIX, its folder, as the platform knows them (a descriptor or
    // a HANDLE); -1 when not open, as both have it.
    std::intptr_t file_ = -1;
    std::intptr_t folder_ = -1;
    bool exists_ = false;  // the target exists, so is replaced
};

}  // namespace quendra
