#pragma once
// Files and paths. Paths use "/" and folder paths end with "/". Every operation here looks a
// path component that does not exist as written up without regard to letter case (see
// resolve), so a configuration tree copied from a case-insensitive file system works as is.
#include <optional>
#include <string>
#include <string_view>

#include "platform/automation/String.h"

namespace lv8int::files {

// "a/b/c.txt" -> "a/b/"; a path without a folder gives "".
String folderOf(StringView path);
// "a/b/c.txt" -> "c" (the name without its last extension; ".profile" keeps its name).
String baseName(StringView path);
// "a/b/c.txt" -> "c.txt".
String fileName(StringView path);
// "a/b" -> "a/b/"; "" stays "".
String withTrailingSeparator(StringView path);
// Backslashes become "/" (paths read from files written on Windows).
String fromWindowsPath(StringView path);

bool fileExists(StringView path);    // a regular file (links followed)
bool folderExists(StringView path);  // a folder (links followed)
// Creates the folder and any missing parents; true when the folder exists afterwards.
bool createFolderPath(StringView path);
// Copies a file's bytes over `to` (replaced atomically); false on any failure.
bool copyFile(StringView from, StringView to);
// Removes a file; false when it could not be removed.
bool removeFile(StringView path);
// The whole file, or nothing when it cannot be read.
std::optional<std::string> readFile(StringView path);
// readFile, also telling the path it read or looked for (as resolve gives it) and, when there
// was nothing to read, why: ENOENT when nothing is there, else the errno of the failure.
struct FileContent {
  std::optional<std::string> bytes;
  String path;
  int error = 0;
};
FileContent readFileResolved(StringView path);

// The process's current folder, ending with "/".
String currentDirectory();
bool setCurrentDirectory(StringView path);
// The path taken from the current folder when it is relative; an absolute or empty path is
// returned as it is. A path kept for later use is made absolute at once, so that a later change
// of the current folder cannot change what it names.
String absolutePath(StringView path);

// The folder of the file liblv8int was loaded from, absolute, ending with "/".
String libraryFolder();

// The path with each component that does not exist as written replaced by the one directory
// entry that matches it without regard to case. A component with no match is kept as written
// (and so is the rest of the path: it names something not yet created). A component that
// matches two or more entries differing only in case is ambiguous: the whole path is returned
// as written. Backslashes are not separators here (see fromWindowsPath).
String resolve(StringView path);

// Replaces the file with `bytes` so that it holds either its old content or the new one, never
// a mix: a temporary file in the same folder is written, flushed to disk and renamed over the
// target. Missing folders are created; an existing file keeps its owner, group and mode.
// A link on the way is followed only when the process or the administrator owns both the link
// and its folder; any other link could have been planted by someone else to redirect the
// write, so it is refused (70, the description naming the file and the link). Temporary files
// of earlier writes of the same file whose process is gone are removed. On failure the old
// file is untouched, the temporary file removed, and AutomationError raised: 70 (Permission
// denied), 61 (Disk full) or 75 (Path/File access), the description naming the file.
void writeFileAtomically(StringView path, std::string_view bytes);

// Raises 70, naming the file, when the way to `path` passes through a link that
// writeFileAtomically would refuse; for steps that write beside a file before replacing it.
void refuseLinksOfOthers(StringView path);

}  // namespace lv8int::files
