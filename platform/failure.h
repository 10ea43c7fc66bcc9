// Our own causes of a failed read, inflate, load or save, in one error category. Its
// English words serve gtm2wtr; the dialog shows the string table's words for the same
// causes. Failures the system reports keep the system's category and words.
#pragma once

#include <system_error>

namespace quendra {

enum class Failure {
    None = 0,
    // Reading a file; the system's reason, where there is one, goes beside.
    CannotOpen,
    Empty,
    TooLarge,
    CannotRead,
    ShortRead,  // the file ended before the size it states
    // Loading a waypoint file.
    WrongSignature,  // not a file of the expected format
    Truncated,       // a header, record or marker runs past the end of the data
    Malformed,       // a negative count or length
    OutOfMemory,
    NoWaypoints,
    BadPosition,  // a position no WTR file can hold
    // Reading a GPX file.
    MalformedXml,  // not well-formed XML past its first element
    XmlRefused,    // a DTD, an entity, or nesting or a token beyond the bounds
    // Inflating a gzip-compressed file.
    InflatedTooLarge,     // inflates to more than kMaxInflatedSize
    CompressedTruncated,  // the compressed data ends inside a member
    CompressedCorrupt,    // a bad gzip header, deflate data, checksum or length
    // Saving: what may not be replaced.
    NotRegularFile,     // a device, FIFO, socket or folder
    SameFileAsInput,    // the output would replace the file being converted
    FolderNotWritable,  // no file may be created beside the target
    OwnerOnlyFolder,    // a sticky folder: only the file's or folder's owner may replace it
    ReadOnly,           // an existing file that may not be written, so is not replaced
};

const std::error_category& FailureCategory();
std::error_code make_error_code(Failure failure);

}  // namespace quendra

template <>
struct std::is_error_code_enum<quendra::Failure> : std::true_type {};
