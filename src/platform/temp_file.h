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

// The folder part of path, "." when it has none.
std::string FolderOf(const std::string& path);

}  // namespace tallyvane
