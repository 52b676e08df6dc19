#pragma once
// A fresh temporary folder per test, with helpers to write files into it.
#include <string>

namespace tallyvane::test {

class TestFolder {
 public:
  TestFolder();
  ~TestFolder();
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  // Writes the text and returns the file's path.
  std::string Write(const std::string& name, const std::string& text) const;
  static std::string Read(const std::string& path);

 private:
  std::string path_;
};

}  // namespace tallyvane::test
