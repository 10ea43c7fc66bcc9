// Why a waypoint file did not load; the dialog ignores it, gtm2wtr reports it.
#pragma once

#include "platform/file_io.h"
#include "platform/gzip.h"

namespace quendra {

enum class FileError {
    None,
    CannotOpen,
    Empty,
    TooLarge,
    CannotRead,
    WrongSignature,  // not a file of the expected format
    Truncated,       // a header, record or marker runs past the end of the data
    Malformed,       // a negative count or length
    OutOfMemory,
    // gzip-compressed files
    InflatedTooLarge,     // inflates to more than kMaxInflatedSize
    CompressedTruncated,  // the compressed data ends inside a member
    CompressedCorrupt,    // a bad gzip header, deflate data, checksum or length
};

inline FileError FromReadFailure(ReadFailure failure) {
    switch (failure) {
        case ReadFailure::Empty:
            return FileError::Empty;
        case ReadFailure::TooLarge:
            return FileError::TooLarge;
        case ReadFailure::CannotRead:
            return FileError::CannotRead;
        case ReadFailure::None:
        case ReadFailure::CannotOpen:
            break;
    }
    return FileError::CannotOpen;
}

// A stream whose first bytes are refused is no file of the expected format.
inline FileError FromInflateFailure(InflateFailure failure) {
    switch (failure) {
        case InflateFailure::Refused:
            return FileError::WrongSignature;
        case InflateFailure::TooLarge:
            return FileError::InflatedTooLarge;
        case InflateFailure::Truncated:
            return FileError::CompressedTruncated;
        case InflateFailure::OutOfMemory:
            return FileError::OutOfMemory;
        case InflateFailure::None:
        case InflateFailure::Corrupt:
            break;
    }
    return FileError::CompressedCorrupt;
}

}  // namespace quendra
