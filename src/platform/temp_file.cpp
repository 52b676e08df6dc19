#include "platform/temp_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

#include "platform/platform_error.h"

namespace tallyvane {
namespace {

const char* const kTempTags[] = {"copying", "saving"};
// ".<name>.saving-XXXXXX" and libzip's ".XXXXXX" after it.
constexpr std::size_t kLongestTempNameExtra = 1 + 1 + 6 + 1 + 6 + 7;

std::string TempStem(const std::string& path, const std::string& tag) {
  return FolderOf(path) + "/." + std::filesystem::path(path).filename().string() + "." + tag + "-";
}

}  // namespace

void CheckRoomForTempFilesBeside(const std::string& path) {
  const long limit = ::pathconf(FolderOf(path).c_str(), _PC_NAME_MAX);
  const std::size_t allowed = limit > 0 ? static_cast<std::size_t>(limit) : 255;
  const std::size_t name = std::filesystem::path(path).filename().string().size();
  if (name + kLongestTempNameExtra <= allowed) return;
  throw PlatformError("The file name \"" + std::filesystem::path(path).filename().string() +
                      "\" is too long: " + "its save needs names " + std::to_string(kLongestTempNameExtra) +
                      " bytes longer beside it, and names in its folder may have at most " + std::to_string(allowed) +
                      " bytes.");
}

void RemoveTempFilesBeside(const std::string& path) {
  const std::string folder = FolderOf(path);
  DIR* listing = ::opendir(folder.c_str());
  if (listing == nullptr) return;
  while (const dirent* entry = ::readdir(listing)) {
    const std::string name = folder + "/" + entry->d_name;
    for (const char* tag : kTempTags) {
      const std::string stem = TempStem(path, tag);
      struct stat info;
      if (name.compare(0, stem.size(), stem) == 0 && ::lstat(name.c_str(), &info) == 0 && !S_ISDIR(info.st_mode)) {
        ::unlink(name.c_str());
      }
    }
  }
  ::closedir(listing);
}

std::string FolderOf(const std::string& path) {
  const std::filesystem::path parent = std::filesystem::path(path).parent_path();
  return parent.empty() ? "." : parent.string();
}

TempFile CreateTempFileBeside(const std::string& path, const std::string& tag) {
  static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device seed;
  std::mt19937 random(seed());
  const std::string stem = TempStem(path, tag);
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
