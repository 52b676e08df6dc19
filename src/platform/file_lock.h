#pragma once
// Advisory locks that keep two runs from writing one report or one log.
// The kernel drops them with the process that holds them, so a crashed run
// leaves nothing stale behind.
#include <memory>
#include <string>

namespace tallyvane {

// Takes a write lock on the whole open file fd without waiting. When another
// process holds one, throws PlatformError "The file "<name>" is in use by
// another run (process <id>)."
void LockForWriting(int fd, const std::string& name);

// A lock file beside a file that is replaced by renames (so its own lock
// would go with the old copy): ".<name>.lock", removed when released. One
// that a killed run left is taken over, also when another user made it;
// where a sticky folder keeps it from being removed, it is used where it
// lies.
class FileLock {
 public:
  // Throws PlatformError when the file is in use or no lock can be made.
  static std::unique_ptr<FileLock> Acquire(const std::string& path);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  static std::string LockPathOf(const std::string& path);

 private:
  FileLock(int fd, std::string lock_path) : fd_(fd), lock_path_(std::move(lock_path)) {}
  int fd_;
  std::string lock_path_;
};

}  // namespace tallyvane
