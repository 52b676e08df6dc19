#include "platform/temp_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

#include "platform/platform_error.h"

namespace tallyvane {

std::string FolderOf(const std::string& path) {
  const std::filesystem::path parent = std::filesystem::path(path).parent_path();
  return parent.empty() ? "." : parent.string();
}

TempFile CreateTempFileBeside(const std::string& path, const std::string& tag) {
  static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device seed;
  std::mt19937 random(seed());
  const std::string stem =
      FolderOf(path) + "/." + std::filesystem::path(path).filename().string() + "." + tag + "-";
  int error = EEXIST;
  for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
    std::string name = stem;
    for (int i = 0; i < 6; ++i) name.push_back(kLetters[random() % (sizeof kLetters - 1)]);
    const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0) return TempFile{fd, name};
    error = errno;
  }
  throw PlatformError("cannot create a temporary file in the folder \"" + FolderOf(path) +
                      "\": " + std::strerror(error));
}

}  // namespace tallyvane
