#pragma once
// A temporary folder removed with everything in it when the test ends.
#include <string>

namespace tallyvane::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // The path of name inside the folder.
  std::string File(const std::string& name) const;
  // Writes content (bytes as they stand) to name and returns its path.
  std::string Write(const std::string& name, const std::string& content) const;

 private:
  std::string path_;
};

std::string ReadFileBytes(const std::string& path);

}  // namespace tallyvane::test
