// Whole-file reading and replace-on-success writing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace quendra {

enum class ReadFailure { None, CannotOpen, Empty, TooLarge, CannotRead };

// The largest file read: what a 32-bit size can state, which is also what any GTM or
// WTR writer can have produced.
inline constexpr std::uint64_t kMaxReadSize = 0xFFFFFFFFu;

// Reads the whole file into `data`. Fails for a missing or unreadable file, an empty
// file, or a read that returns fewer bytes than the file's size; `data` is then empty
// and `failure`, when given, says which.
bool ReadWholeFile(const std::filesystem::path& path, std::vector<std::uint8_t>& data,
                   ReadFailure* failure = nullptr);

// Writes a file so that its old content survives any failure: the bytes go to a
// temporary file in the target's folder, which replaces the target only in Commit(),
// after every byte is written and synced. Destroying an uncommitted writer removes the
// temporary file and leaves the target as it was.
class SafeFileWriter {
public:
    SafeFileWriter() = default;
    ~SafeFileWriter();
    SafeFileWriter(const SafeFileWriter&) = delete;
    SafeFileWriter& operator=(const SafeFileWriter&) = delete;

    bool Open(const std::filesystem::path& target);
    // Buffered; a failure here or in an earlier Write makes Commit() fail.
    bool Write(const void* bytes, std::size_t size);
    bool Commit();

private:
    bool Flush();
    void Discard();

    std::filesystem::path target_;
    std::filesystem::path temporary_;
    std::vector<char> buffer_;
    std::size_t buffered_ = 0;
    bool failed_ = false;
#ifdef _WIN32
    void* handle_ = nullptr;  // HANDLE
#else
    int fd_ = -1;
#endif
};

}  // namespace quendra
