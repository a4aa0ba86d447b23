#include "files/FileError.h"

namespace quorlane::files {

FileError classify(std::error_code error, const core::PathString& path)
{
    FileError failure;
    failure.path = path;
    failure.code = error.value();
    failure.text = error.message();
    const std::error_condition condition = error.default_error_condition();
    if (condition == std::errc::no_such_file_or_directory) {
        failure.kind = FileError::Kind::Missing;
    } else if (condition == std::errc::invalid_argument) {
        failure.kind = FileError::Kind::InvalidArgument;
    } else if (condition == std::errc::permission_denied ||
               condition == std::errc::operation_not_permitted ||
               condition == std::errc::read_only_file_system ||
               condition == std::errc::text_file_busy) {
        failure.kind = FileError::Kind::Access;
    } else if (condition == std::errc::file_exists) {
        failure.kind = FileError::Kind::NameTaken;
    } else {
        failure.kind = FileError::Kind::Other;
    }
    return failure;
}

FileError RejectedError(const core::PathString& path)
{
    return {FileError::Kind::Rejected, 0, "the written file did not pass its check", path};
}

FileError NotRegularFileError(const core::PathString& path)
{
    return {FileError::Kind::NotRegularFile, 0, "not a regular file", path};
}

} // namespace quorlane::files
