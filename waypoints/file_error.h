// Why a waypoint file did not load; the dialog ignores it, gtm2wtr reports it.
#pragma once

#include "platform/file_io.h"

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

}  // namespace quendra
