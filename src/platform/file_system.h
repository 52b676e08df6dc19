#pragma once
// The file operations that the run uses, over std::filesystem. Every
// failing operation throws PlatformError naming the file and the reason.
#include <cstdio>
#include <memory>
#include <string>

namespace tallyvane {

// A text file opened for writing or for reading, one line at a time.
class TextStream {
 public:
  ~TextStream();
  TextStream(const TextStream&) = delete;
  TextStream& operator=(const TextStream&) = delete;

  // Writes the text and a carriage return and line feed, then flushes, so
  // that a crash never loses a line already written.
  void WriteLine(const std::string& text);
  // Reads up to the next line feed; the line break (LF, or CR LF) is not
  // part of the line. Only the first keep_at_most bytes of a longer line
  // are kept, so that one enormous line cannot exhaust memory.
  std::string ReadLine(std::size_t keep_at_most = kUnlimited);
  bool AtEndOfStream();
  void Close();
  bool IsOpen() const { return file_ != nullptr; }

  static constexpr std::size_t kUnlimited = static_cast<std::size_t>(-1);

 private:
  friend class FileSystem;
  TextStream(std::FILE* file, std::string path);
  std::FILE* file_;
  std::string path_;
};

class FileSystem {
 public:
  bool FileExists(const std::string& path) const;
  // Replaces the destination (also a read-only file, also a link, which is
  // never written through) with a new file of the usual mode under the
  // umask: the source's mode is not copied.
  void CopyFile(const std::string& source, const std::string& destination) const;
  // One file by identity where both exist, else one normalised path.
  bool IsSameFile(const std::string& a, const std::string& b) const;
  std::string GetParentFolderName(const std::string& path) const;
  // Whether replacing the name destroys nothing but a file: true when it is
  // absent, a regular file, or a symbolic link that leads to one or
  // nowhere; false for a device, a pipe, a socket or a folder (or a link to
  // one), which a rename would put out of reach of everyone using it, and
  // for any name in /dev, /proc or /sys.
  bool IsReplaceable(const std::string& path) const;
  // Creates or truncates the file, holding a lock on it while it is open:
  // refuses a link, a file with other names and a file another run holds.
  // Given may_overwrite, a file that is not empty is truncated only when
  // the function accepts its first line (at most 64 bytes of it).
  std::unique_ptr<TextStream> CreateTextFile(const std::string& path,
                                             bool (*may_overwrite)(const std::string& first_line) = nullptr) const;
  std::unique_ptr<TextStream> OpenTextFile(const std::string& path) const;
};

}  // namespace tallyvane
