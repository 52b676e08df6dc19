#include "spreadsheet_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "ooxml/ooxml_application.h"
#include "ooxml/package.h"
#include "platform/platform_error.h"

namespace tallyvane::testing {

namespace fs = std::filesystem;

std::string ScratchFolder::CopyTemplate(const std::string& name, const std::string& as) const {
  std::string target = File(as.empty() ? name : as);
  fs::copy_file(TemplatePath(name), target, fs::copy_options::overwrite_existing);
  return target;
}

OpenedTemplate::OpenedTemplate(const std::string& name, const std::string& as)
    : file(folder.CopyTemplate(name, as)), app(CreateOoxmlSpreadsheetApp()), workbook(app->OpenWorkbook(file)) {}

std::string TemplatePath(const std::string& name) {
#ifdef LIBREOFFICE_TEMPLATES
  if (name.rfind("lo_", 0) == 0) return std::string(LIBREOFFICE_TEMPLATES) + "/" + name;
#endif
  // Direct runs of the test binary make the templates themselves.
  if (!fs::exists(std::string(SPREADSHEET_TEMPLATES) + "/basic.xlsx")) {
    std::string cmd = std::string("/usr/bin/python3 ") + SPREADSHEET_TEMPLATE_SCRIPT + " " + SPREADSHEET_TEMPLATES;
    int rc = std::system(cmd.c_str());
    EXPECT_EQ(rc, 0) << "making the templates failed";
  }
  return std::string(SPREADSHEET_TEMPLATES) + "/" + name;
}

// The workbook as openpyxl reads it, and part(name), the text of a part.
const char kPreamble[] = R"py(import re, sys, zipfile
import openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
def part(name):
    return zipfile.ZipFile(sys.argv[1]).read(name).decode()
)py";

std::string OpenedTemplate::SaveAndRead(const std::string& script) {
  workbook->Save();
  int status = 0;
  std::string out = RunCommand(
      "/usr/bin/python3 -c " + test::ShellQuote(kPreamble + script) + " " + test::ShellQuote(file) + " 2>&1", &status);
  EXPECT_EQ(status, 0) << out;
  return out;
}

std::string ReadPart(const std::string& file, const std::string& part) {
  auto package = ooxml::Package::Open(file);
  return package->Has(part) ? package->Read(part) : "";
}

std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const PlatformError& e) {
    return e.what();
  }
  return "(no error)";
}

}  // namespace tallyvane::testing
