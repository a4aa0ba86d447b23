#pragma once

#include <string>
#include <system_error>

#include "core/FileRecord.h"
#include "core/Result.h"

namespace quorlane::files {

// A failed file operation, sorted into the four kinds that the run treats differently.
struct FileError
{
    enum class Kind
    {
        Missing,         // the file or folder does not exist
        InvalidArgument, // the path or the request makes no sense to the system
        Access,          // permission denied, read-only, in use
        NotRegularFile,  // a pipe, a device, a socket or a link where a file was to be read or
                         // replaced: it is left alone
        Rejected,        // a written file that its check refused: it replaced nothing
        NameTaken,       // a file or folder of that name stands where a new one was to go
        Other,
    };

    Kind kind = Kind::Other;
    int code = 0;          // the system's error number
    std::string text;      // the system's description, in UTF-8
    core::PathString path; // the file or folder it concerns, as the caller named it

    // The same failure, whichever file it concerns: pages that fail alike share one cause.
    bool operator==(const FileError& other) const
    {
        return kind == other.kind && code == other.code && text == other.text;
    }
};

// A value, or the failure that kept a file operation from it.
template <typename T> using Result = core::Result<T, FileError>;

// The outcome of a file operation that gives no value.
using Status = Result<void>;

FileError classify(std::error_code error, const core::PathString& path);

// The failure for something that is not a regular file, which is never opened or replaced.
FileError NotRegularFileError(const core::PathString& path);

// The failure of a write whose file its check refused.
FileError RejectedError(const core::PathString& path);

} // namespace quorlane::files
