// Bytes read in pieces, so that a file need not be held whole: a file, memory, or either
// inflated on the way (platform/gzip.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <system_error>
#include <vector>

#include "platform/failure.h"

namespace quendra {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Fills up to `size` bytes of `out`; `got` is 0 only at the end. A failure is kept:
    // every later Read fails the same way.
    virtual bool Read(std::uint8_t* out, std::size_t size, std::size_t& got) = 0;

    Failure failure = Failure::None;
    std::error_code cause;  // the system's reason, where there is one
};

class MemorySource : public ByteSource {
public:
    explicit MemorySource(std::span<const std::uint8_t> data) : data_(data) {}
    bool Read(std::uint8_t* out, std::size_t size, std::size_t& got) override;

private:
    std::span<const std::uint8_t> data_;
};

// Bytes already taken from `rest` (to look at them) given again before the rest.
class PrefixedSource : public ByteSource {
public:
    PrefixedSource(std::vector<std::uint8_t> prefix, ByteSource& rest)
        : prefix_(std::move(prefix)), rest_(rest) {}
    bool Read(std::uint8_t* out, std::size_t size, std::size_t& got) override;

private:
    std::vector<std::uint8_t> prefix_;
    std::size_t given_ = 0;
    ByteSource& rest_;
};

// A regular file, read from its start through the platform's calls (file_io_posix.cpp,
// file_io_win32.cpp). Open refuses what ReadWholeFile refuses, for the same causes.
class FileSource : public ByteSource {
public:
    FileSource() = default;
    ~FileSource() override;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    bool Open(const std::filesystem::path& path);
    bool Read(std::uint8_t* out, std::size_t size, std::size_t& got) override;
    void Close();

    std::uint64_t size = 0;  // as Open found it

private:
    std::intptr_t file_ = -1;  // a descriptor or a HANDLE; -1 when not open
};

// Takes up to `size` bytes from `source`, fewer only at its end or, when it fails, what came
// before the failure.
bool ReadUpTo(ByteSource& source, std::size_t size, std::vector<std::uint8_t>& out);

}  // namespace quendra
