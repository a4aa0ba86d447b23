#pragma once

#include <vector>

#include "files/FileSystem.h"

// The writes of RealFileSystem on Windows: a temporary file beside the target, written and
// flushed through its own handle, then moved over the target in one step.
namespace quorlane::files {

// ".quorlane-" + the writer's process id + "-" + a random number + ".tmp", beside path.
PathString WindowsTemporaryName(const PathString& path);

// Writes content to a fresh temporary file beside path, flushed to the disk when durability
// asks for it, and moves it over path with MoveFileExW (REPLACE_EXISTING, WRITE_THROUGH). A
// content that gives up, or a check that refuses the file, replaces nothing; no temporary
// file is left behind.
Status WindowsWriteReplacing(const PathString& path, const FileContent& content,
                             Durability durability, const WriteCheck& check);

// Puts a new file holding bytes at path, complete or not at all, only where nothing of that
// name stands (an "exists" failure otherwise).
Status WindowsCreateNew(const PathString& path, std::string_view bytes);

// Flushes each file to the disk. Windows keeps a folder's names durable itself.
Status WindowsFlushFiles(const std::vector<PathString>& paths);

// Removes the temporary files in folder whose writer no longer runs. One that is still open
// is never removed: its writer holds it without leave to delete it.
void WindowsRemoveStaleTemporaries(const PathString& folder);

} // namespace quorlane::files
