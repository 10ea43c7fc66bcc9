// The rules both platforms share; each platform's own calls are in file_io_posix.cpp and
// file_io_win32.cpp.
#include "platform/file_io.h"
#include "platform/file_io_common.h"

#include "platform/byte_source.h"

#include "platform/large_memory.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <random>
#include <string>

namespace quendra {

using namespace file_io_detail;

namespace {

constexpr std::size_t kWriteBufferSize = 1 << 20;

class FailureCategoryImpl : public std::error_category {
public:
    const char* name() const noexcept override { return "quendra"; }
    std::string message(int code) const override {
        switch (static_cast<Failure>(code)) {
            case Failure::None:
                return "no error";
            case Failure::CannotOpen:
                return "cannot open the file";
            case Failure::Empty:
                return "the file is empty";
            case Failure::TooLarge:
                return "the file is too large to read";
            case Failure::CannotRead:
                return "reading the file failed";
            case Failure::ShortRead:
                return "the file ended before its stated size";
            case Failure::WrongSignature:
                return "neither a GTM nor a GPX file";
            case Failure::Truncated:
                return "the file is truncated: its data runs past its end";
            case Failure::Malformed:
                return "the file is damaged: it states a negative count or length";
            case Failure::OutOfMemory:
                return "not enough memory for the waypoints";
            case Failure::NoWaypoints:
                return "the file holds no waypoints";
            case Failure::BadPosition:
                return "a position outside the WTR range";
            case Failure::MalformedXml:
                return "the GPX file is not well-formed XML";
            case Failure::XmlRefused:
                return "the GPX file has a DTD or entity, or nests or runs too deep or long";
            case Failure::InflatedTooLarge:
                return "the compressed file inflates to more than 1 GiB";
            case Failure::CompressedTruncated:
                return "the compressed file is truncated: its data ends early";
            case Failure::CompressedCorrupt:
                return "the compressed file is damaged: its data or checksum is wrong";
            case Failure::NotRegularFile:
                return "not a regular file";
            case Failure::SameFileAsInput:
                return "same file as the input";
            case Failure::FolderNotWritable:
                return "the folder is not writable";
            case Failure::OwnerOnlyFolder:
                return "in this folder only the file's owner may replace it";
            case Failure::ReadOnly:
                // What the system says when it refuses to open such a file for writing.
                return SystemErrors().message(kAccessDenied);
        }
        return "unknown error";
    }
    std::error_condition default_error_condition(int code) const noexcept override {
        const auto failure = static_cast<Failure>(code);
        if (failure == Failure::FolderNotWritable || failure == Failure::ReadOnly ||
            failure == Failure::OwnerOnlyFolder) {
            return std::errc::permission_denied;
        }
        return {code, *this};
    }
};

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

}  // namespace

namespace file_io_detail {

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

bool Finish(ReadResult result, FileBytes& data, Failure* failure, std::error_code* cause) {
    if (failure != nullptr) *failure = result.failure;
    if (cause != nullptr) *cause = result.cause;
    if (result.failure == Failure::None) return true;
    data.clear();
    data.shrink_to_fit();
    return false;
}

void CheckSize(std::uint64_t size, FileBytes& data, ReadResult& result) {
    if (size == 0) {
        result.failure = Failure::Empty;
    } else if (size > kMaxReadSize) {
        result = {Failure::TooLarge, std::make_error_code(std::errc::file_too_large)};
    } else if (!AllocateBytes(data, static_cast<std::size_t>(size))) {
        result = {Failure::TooLarge, std::make_error_code(std::errc::not_enough_memory)};
    }
}

}  // namespace file_io_detail

bool ReadSized(ByteSource& source, std::uint64_t size, std::span<const std::uint8_t> head,
               FileBytes& data, Failure* failure, std::error_code* cause) {
    data.clear();
    ReadResult result;
    CheckSize(size, data, result);
    std::size_t got = 0;
    if (result.failure == Failure::None) {
        got = std::min(head.size(), data.size());
        std::copy_n(head.begin(), got, data.begin());
    }
    while (result.failure == Failure::None && got < data.size()) {
        std::size_t read = 0;
        if (!source.Read(data.data() + got, data.size() - got, read)) {
            result = {source.failure, source.cause};
        } else if (read == 0) {
            result = {Failure::CannotRead, Failure::ShortRead};
        } else {
            got += read;
        }
    }
    return Finish(result, data, failure, cause);
}

bool ReadWholeFile(const std::filesystem::path& path, FileBytes& data, Failure* failure,
                   std::error_code* cause) {
    FileSource file;
    if (!file.Open(path)) return Finish({file.failure, file.cause}, data, failure, cause);
    // Only read from: every byte is in when it closes, so closing cannot lose any.
    return ReadSized(file, file.size, {}, data, failure, cause);
}

const std::error_category& FailureCategory() {
    static const FailureCategoryImpl category;
    return category;
}

std::error_code make_error_code(Failure failure) {
    return {static_cast<int>(failure), FailureCategory()};
}

const std::error_category& FolderSyncCategory() {
    static const FolderSyncCategoryImpl category;
    return category;
}

std::string SystemWords(const std::error_code& error) {
    if (error.category() == FolderSyncCategory()) return SystemErrors().message(error.value());
    return error.message();
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
    buffered_ = 0;
    failed_ = false;
    return true;
}

bool SafeFileWriter::Write(const void* bytes, std::size_t size) {
    if (failed_) return false;
    const char* from = static_cast<const char*>(bytes);
    // Copying a large block would only add a pass over its bytes.
    if (size >= kWriteBufferSize) return Flush() && WriteOut(from, size);
    if (buffered_ + size > buffer_.size() && buffer_.size() < kWriteBufferSize) {
        // Grown as writes come, so a small file never makes the whole buffer.
        buffer_.resize(std::min(kWriteBufferSize, std::max(buffered_ + size, 2 * buffer_.size())));
    }
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

bool SafeFileWriter::Flush() {
    if (failed_) return false;
    if (buffered_ > 0 && !WriteOut(buffer_.data(), buffered_)) return false;
    buffered_ = 0;
    return true;
}

}  // namespace quendra
