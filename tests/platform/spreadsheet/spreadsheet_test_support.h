#pragma once
// Helpers of the workbook engine's tests: templates copied into a private
// folder, the engine opened over them, and an independent reader (openpyxl).
#include <memory>
#include <string>

#include "platform/spreadsheet.h"

namespace tallyvane::testing {

// A temporary folder removed at the end of the test.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  const std::string& Path() const { return path_; }
  // Copies the named template into the folder; returns the copy's path.
  std::string CopyTemplate(const std::string& name, const std::string& as = "") const;

 private:
  std::string path_;
};

std::string TemplatePath(const std::string& name);
// Runs a Python script with openpyxl importable, the file as sys.argv[1];
// returns its standard output (failing the test on a non-zero exit).
std::string RunPython(const std::string& script, const std::string& file);
// Runs a shell command; returns its standard output and sets *status.
std::string RunCommand(const std::string& command, int* status);
// The bytes of one part of a package ("" when missing).
std::string ReadPart(const std::string& file, const std::string& part);

}  // namespace tallyvane::testing
