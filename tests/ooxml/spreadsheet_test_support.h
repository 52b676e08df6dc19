#pragma once
// Helpers of the workbook engine's tests: templates copied into a private
// folder, the engine opened over them, and an independent reader (openpyxl).
#include <functional>
#include <memory>
#include <string>

#include "platform/spreadsheet.h"
#include "shell_command.h"
#include "temp_dir.h"

namespace tallyvane::testing {

using test::RunCommand;

// A temporary folder removed at the end of the test.
class ScratchFolder : public test::TempDir {
 public:
  // Copies the named template into the folder; returns the copy's path.
  std::string CopyTemplate(const std::string& name, const std::string& as = "") const;
};

// A template copied into a private folder (named as, if given) and opened by
// the engine.
struct OpenedTemplate {
  explicit OpenedTemplate(const std::string& name, const std::string& as = "");
  // Saves the workbook, then runs a Python script over the saved file
  // (sys.argv[1]), with openpyxl's reading of it as wb and part(name) giving
  // the text of one of its parts; returns its standard output (failing the
  // test on a non-zero exit).
  std::string SaveAndRead(const std::string& script);

  ScratchFolder folder;
  std::string file;
  std::unique_ptr<SpreadsheetApp> app;
  std::unique_ptr<Workbook> workbook;
};

// The path of a template; those named lo_* are saved by LibreOffice.
std::string TemplatePath(const std::string& name);
// The bytes of one part of a package ("" when missing).
std::string ReadPart(const std::string& file, const std::string& part);
// The description of the PlatformError f throws, or "(no error)".
std::string ErrorOf(const std::function<void()>& f);

}  // namespace tallyvane::testing
