#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/platform_error.h"
#include "platform/temp_file.h"

namespace tallyvane {
namespace {

struct flock WholeFile(short type) {
  struct flock range = {};
  range.l_type = type;
  range.l_whence = SEEK_SET;
  return range;
}

bool SameInode(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Throws what keeps a lock on fd from being taken: another run, or the error.
[[noreturn]] void ThrowLockRefused(int fd, const std::string& name, int error) {
  if (error != EAGAIN && error != EACCES) {
    throw PlatformError("Cannot lock the file \"" + name + "\": " + std::strerror(error));
  }
  struct flock holder = WholeFile(F_WRLCK);
  std::string process;
  if (::fcntl(fd, F_GETLK, &holder) == 0 && holder.l_type != F_UNLCK && holder.l_pid > 0) {
    process = " (process " + std::to_string(holder.l_pid) + ")";
  }
  throw PlatformError("The file \"" + name + "\" is in use by another run" + process + ".");
}

// Other users' runs cannot take a write lock on a lock file they may not
// write; they hold a read lock (which keeps its owner's runs out) and an
// exclusive flock (which keeps each other out) instead.
void LockAsAnotherUser(int fd, const std::string& name) {
  struct flock lock = WholeFile(F_RDLCK);
  if (::fcntl(fd, F_SETLK, &lock) != 0) ThrowLockRefused(fd, name, errno);
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) ThrowLockRefused(fd, name, errno == EWOULDBLOCK ? EAGAIN : errno);
}

// A lock file that a killed run of another user left, which this user may
// not open for writing. When a live run holds it, the file is in use. When
// none does, it is removed (which needs only the folder to be writable) and
// -1 is returned. Where it cannot be removed (a folder whose sticky bit
// keeps other users' files, such as /tmp), the opened file is returned,
// locked, to serve as this run's lock.
int TakeStaleLockFile(const std::string& lock_path, const std::string& name) {
  const int fd = ::open(lock_path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) throw PlatformError("Cannot create the lock file \"" + lock_path + "\": " + std::strerror(EACCES));
  struct stat opened, named;
  try {
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
      throw PlatformError("The lock file \"" + lock_path + "\" is not a regular file.");
    }
    // Held while the file is removed, so that no run can take it meanwhile.
    LockAsAnotherUser(fd, name);
  } catch (...) {
    ::close(fd);
    throw;
  }
  if (::lstat(lock_path.c_str(), &named) != 0 || !SameInode(opened, named)) {
    ::close(fd);
    return -1;  // gone meanwhile: try again
  }
  if (::unlink(lock_path.c_str()) == 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

void LockForWriting(int fd, const std::string& name) {
  struct flock lock = WholeFile(F_WRLCK);
  if (::fcntl(fd, F_SETLK, &lock) == 0) return;
  ThrowLockRefused(fd, name, errno);
}

std::string FileLock::LockPathOf(const std::string& path) {
  return FolderOf(path) + "/." + std::filesystem::path(path).filename().string() + ".lock";
}

std::unique_ptr<FileLock> FileLock::Acquire(const std::string& path) {
  const std::string lock_path = LockPathOf(path);
  for (;;) {
    const int fd = ::open(lock_path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0 && errno == EACCES) {
      const int taken = TakeStaleLockFile(lock_path, path);
      if (taken < 0) continue;
      // Another user's file, which only that user's runs may remove.
      return std::unique_ptr<FileLock>(new FileLock(taken, std::string()));
    }
    if (fd < 0) {
      throw PlatformError("Cannot create the lock file \"" + lock_path + "\": " + std::strerror(errno));
    }
    std::unique_ptr<FileLock> held(new FileLock(fd, lock_path));
    struct stat opened, named;
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
      held->lock_path_.clear();  // not ours to remove
      throw PlatformError("The lock file \"" + lock_path + "\" is not a regular file.");
    }
    // Readable by every user whatever the umask, so that a run of another
    // user can tell a live lock from one a killed run left.
    if (opened.st_uid == ::geteuid()) ::fchmod(fd, 0644);
    try {
      LockForWriting(fd, path);
    } catch (...) {
      held->lock_path_.clear();
      throw;
    }
    // The run that held the lock may have removed the file in the meantime:
    // only the file that the name still leads to counts.
    if (::lstat(lock_path.c_str(), &named) == 0 && SameInode(opened, named)) return held;
    held->lock_path_.clear();
  }
}

FileLock::~FileLock() {
  struct stat opened, named;
  if (!lock_path_.empty() && ::fstat(fd_, &opened) == 0 && ::lstat(lock_path_.c_str(), &named) == 0 &&
      SameInode(opened, named)) {
    ::unlink(lock_path_.c_str());
  }
  ::close(fd_);
}

}  // namespace tallyvane
