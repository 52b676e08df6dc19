#include "platform/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/file_lock.h"
#include "platform/plain_text.h"
#include "platform/platform_error.h"
#include "platform/temp_file.h"

namespace fs = std::filesystem;

namespace tallyvane {
namespace {

[[noreturn]] void ThrowErrno(const std::string& action, const std::string& path, int error) {
  throw PlatformError("Cannot " + action + " " + Quoted(path) + ": " + std::strerror(error));
}

std::FILE* OpenForReading(const std::string& path) {
  if (path.empty()) throw PlatformError("Cannot open a file without a name.");
  std::error_code ec;
  if (fs::is_directory(path, ec)) ThrowErrno("open", path, EISDIR);
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) ThrowErrno("open", path, errno);
  return file;
}

std::string FirstLineOf(int fd) {
  char head[64];
  const ssize_t got = ::pread(fd, head, sizeof head, 0);
  const std::string text(head, got > 0 ? static_cast<std::size_t>(got) : 0);
  return text.substr(0, text.find('\n'));
}

}  // namespace

TextStream::TextStream(std::FILE* file, std::string path) : file_(file), path_(std::move(path)) {}

TextStream::~TextStream() {
  if (file_ != nullptr) std::fclose(file_);
}

void TextStream::WriteLine(const std::string& text) {
  if (file_ == nullptr) throw PlatformError("The file " + Quoted(path_) + " is not open.");
  if (std::fwrite(text.data(), 1, text.size(), file_) != text.size() || std::fwrite("\r\n", 1, 2, file_) != 2 ||
      std::fflush(file_) != 0) {
    int error = errno;
    std::clearerr(file_);
    ThrowErrno("write to", path_, error);
  }
}

std::string TextStream::ReadLine(std::size_t keep_at_most) {
  if (file_ == nullptr) throw PlatformError("The file " + Quoted(path_) + " is not open.");
  std::string line;
  int c;
  while ((c = std::getc(file_)) != EOF) {
    if (c == '\n') break;
    if (line.size() < keep_at_most) line.push_back(static_cast<char>(c));
  }
  if (std::ferror(file_)) ThrowErrno("read", path_, errno);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

bool TextStream::AtEndOfStream() {
  if (file_ == nullptr) throw PlatformError("The file " + Quoted(path_) + " is not open.");
  int c = std::getc(file_);
  if (c == EOF) {
    if (std::ferror(file_)) ThrowErrno("read", path_, errno);
    return true;
  }
  std::ungetc(c, file_);
  return false;
}

void TextStream::Close() {
  if (file_ == nullptr) return;
  std::FILE* file = file_;
  file_ = nullptr;
  if (std::fclose(file) != 0) ThrowErrno("close", path_, errno);
}

bool FileSystem::FileExists(const std::string& path) const {
  if (path.empty()) return false;
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

void FileSystem::CopyFile(const std::string& source, const std::string& destination) const {
  const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  struct stat info;
  if (in < 0 || ::fstat(in, &info) != 0 || !S_ISREG(info.st_mode)) {
    const int error = in < 0 ? errno : ENOENT;
    if (in >= 0) ::close(in);
    ThrowErrno("copy", source, error);
  }
  TempFile copy;
  try {
    copy = CreateTempFileBeside(destination, "copying");
  } catch (const PlatformError& error) {
    ::close(in);
    throw PlatformError("Cannot copy to " + Quoted(destination) + ": " + error.what());
  }
  int error = 0;
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(in, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      if (got < 0) error = errno;
      break;
    }
    for (ssize_t done = 0; done < got && error == 0;) {
      const ssize_t put = ::write(copy.fd, buffer + done, static_cast<size_t>(got - done));
      if (put < 0 && errno != EINTR) error = errno;
      if (put > 0) done += put;
    }
    if (error != 0) break;
  }
  ::close(in);
  if (::close(copy.fd) != 0 && error == 0) error = errno;
  // The rename replaces whatever the name holds, a link included, in one
  // step: there is no moment at which a link there could be written through.
  if (error == 0 && std::rename(copy.path.c_str(), destination.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(copy.path.c_str());
    ThrowErrno("copy to", destination, error);
  }
}

bool FileSystem::IsSameFile(const std::string& a, const std::string& b) const {
  struct stat first, second;
  if (::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0) {
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
  }
  std::error_code ec;
  return fs::weakly_canonical(fs::absolute(a, ec), ec) == fs::weakly_canonical(fs::absolute(b, ec), ec);
}

bool FileSystem::IsReplaceable(const std::string& path) const {
  // The system's folders hold devices and the process's own descriptors
  // (/dev/stdout leads to whatever standard output is): a rename there
  // would replace a name the whole system uses.
  std::error_code ec;
  const std::string folder = fs::weakly_canonical(fs::absolute(path, ec).parent_path(), ec).string();
  for (const char* system : {"/dev", "/proc", "/sys"}) {
    if (folder.rfind(system, 0) == 0 && (folder.size() == std::strlen(system) || folder[std::strlen(system)] == '/')) {
      return false;
    }
  }
  struct stat info;
  // A name that cannot be looked at holds nothing to lose; the copy then
  // reports why it cannot be written.
  if (::lstat(path.c_str(), &info) != 0) return true;
  if (S_ISLNK(info.st_mode) && ::stat(path.c_str(), &info) != 0) return true;
  return S_ISREG(info.st_mode);
}

std::string FileSystem::GetParentFolderName(const std::string& path) const {
  fs::path p(path);
  if (!p.has_relative_path()) return std::string();
  return p.parent_path().string();
}

std::unique_ptr<TextStream> FileSystem::CreateTextFile(const std::string& path,
                                                       bool (*may_overwrite)(const std::string&)) const {
  if (path.empty()) throw PlatformError("Cannot create a file without a name.");
  // Not truncated on opening: another run may hold the file, and a link or
  // a second name may lead to a file that is not ours to write.
  const int access = may_overwrite != nullptr ? O_RDWR : O_WRONLY;  // the first line is read
  const int fd = ::open(path.c_str(), access | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0666);
  if (fd < 0 && errno == ELOOP) {
    throw PlatformError("Cannot create " + Quoted(path) + ": it is a symbolic link, which is never written through.");
  }
  if (fd < 0) ThrowErrno("create", path, errno);
  try {
    struct stat info;
    if (::fstat(fd, &info) != 0) ThrowErrno("create", path, errno);
    if (!S_ISREG(info.st_mode)) throw PlatformError("Cannot create " + Quoted(path) + ": it is not a regular file.");
    if (info.st_nlink > 1) {
      throw PlatformError("Cannot create " + Quoted(path) + ": the file has other names (hard links).");
    }
    LockForWriting(fd, path);
    if (may_overwrite != nullptr && info.st_size > 0 && !may_overwrite(FirstLineOf(fd))) {
      throw PlatformError("Cannot create " + Quoted(path) +
                          ": the file is not empty and is not a run log; it is left as it is.");
    }
    if (::ftruncate(fd, 0) != 0) ThrowErrno("create", path, errno);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* file = ::fdopen(fd, "wb");
    if (file == nullptr) ThrowErrno("create", path, errno);
    return std::unique_ptr<TextStream>(new TextStream(file, path));
  } catch (...) {
    ::close(fd);
    throw;
  }
}

std::unique_ptr<TextStream> FileSystem::OpenTextFile(const std::string& path) const {
  return std::unique_ptr<TextStream>(new TextStream(OpenForReading(path), path));
}

}  // namespace tallyvane
