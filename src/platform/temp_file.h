#pragma once
// Temporary files beside the file that they will replace, so that a rename
// puts them in its place at once.
#include <string>

namespace tallyvane {

struct TempFile {
  int fd = -1;
  std::string path;
};

// Creates ".<name>.<tag>-XXXXXX" in the folder of path: a new file, never
// one that a link leads to, with the usual mode under the process's umask.
// Throws PlatformError "cannot create a temporary file in the folder ...".
TempFile CreateTempFileBeside(const std::string& path, const std::string& tag);

// Throws PlatformError when the longest name that a save writes beside path
// (a temporary of ours, and the archive library's own temporary of that)
// is longer than the folder allows: a run can then fail before its first
// statement instead of at its end.
void CheckRoomForTempFilesBeside(const std::string& path);

// Removes what killed runs left beside path: the temporaries of its copy
// and its save. Only the holder of the file's lock may call it, since a
// live run's temporaries look the same.
void RemoveTempFilesBeside(const std::string& path);

// The folder part of path, "." when it has none.
std::string FolderOf(const std::string& path);

}  // namespace tallyvane
