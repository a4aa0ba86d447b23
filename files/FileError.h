#pragma once

#include <optional>
#include <string>
#include <system_error>

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
    int code = 0;     // the system's error number
    std::string text; // the system's description, in UTF-8

    bool operator==(const FileError&) const = default;
};

// Empty when the operation succeeded.
using FileResult = std::optional<FileError>;

FileError classify(std::error_code error);

// The failure for something that is not a regular file, which is never opened or replaced.
FileError NotRegularFileError();

// The failure of a write whose file its check refused.
FileError RejectedError();

} // namespace quorlane::files
