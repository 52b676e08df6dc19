#include "platform/file_system.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/platform_error.h"

namespace fs = std::filesystem;

namespace tallyvane {
namespace {

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

[[noreturn]] void ThrowErrno(const std::string& action, const std::string& path, int error) {
  throw PlatformError("Cannot " + action + " " + Quoted(path) + ": " + std::strerror(error));
}

[[noreturn]] void ThrowCode(const std::string& action, const std::string& path,
                            const std::error_code& error) {
  throw PlatformError("Cannot " + action + " " + Quoted(path) + ": " + error.message());
}

std::FILE* OpenOrThrow(const std::string& path, const char* mode, const std::string& action) {
  if (path.empty()) throw PlatformError("Cannot " + action + " a file without a name.");
  std::error_code ec;
  if (fs::is_directory(path, ec)) ThrowErrno(action, path, EISDIR);
  std::FILE* file = std::fopen(path.c_str(), mode);
  if (file == nullptr) ThrowErrno(action, path, errno);
  return file;
}

}  // namespace

TextStream::TextStream(std::FILE* file, std::string path) : file_(file), path_(std::move(path)) {}

TextStream::~TextStream() {
  if (file_ != nullptr) std::fclose(file_);
}

void TextStream::WriteLine(const std::string& text) {
  if (file_ == nullptr) throw PlatformError("The file " + Quoted(path_) + " is not open.");
  if (std::fwrite(text.data(), 1, text.size(), file_) != text.size() ||
      std::fwrite("\r\n", 1, 2, file_) != 2 || std::fflush(file_) != 0) {
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
  std::error_code ec;
  if (!fs::is_regular_file(source, ec)) ThrowErrno("copy", source, ENOENT);
  fs::copy_file(source, destination, fs::copy_options::overwrite_existing, ec);
  if (ec) ThrowCode("copy to", destination, ec);
}

void FileSystem::DeleteFile(const std::string& path) const {
  // Removing a directory entry does not depend on the file's own
  // permissions, so a read-only file goes too.
  std::error_code ec;
  if (!fs::remove(path, ec) || ec) {
    ThrowCode("delete", path, ec ? ec : std::make_error_code(std::errc::no_such_file_or_directory));
  }
}

void FileSystem::SetNormalAttributes(const std::string& path) const {
  std::error_code ec;
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add, ec);
  if (ec) ThrowCode("change the attributes of", path, ec);
}

std::string FileSystem::GetParentFolderName(const std::string& path) const {
  fs::path p(path);
  if (!p.has_relative_path()) return std::string();
  return p.parent_path().string();
}

std::unique_ptr<TextStream> FileSystem::CreateTextFile(const std::string& path) const {
  return std::unique_ptr<TextStream>(new TextStream(OpenOrThrow(path, "wb", "create"), path));
}

std::unique_ptr<TextStream> FileSystem::OpenTextFile(const std::string& path) const {
  return std::unique_ptr<TextStream>(new TextStream(OpenOrThrow(path, "rb", "open"), path));
}

}  // namespace tallyvane
