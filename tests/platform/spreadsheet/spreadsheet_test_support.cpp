#include "spreadsheet_test_support.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>

namespace tallyvane::testing {

namespace fs = std::filesystem;

ScratchFolder::ScratchFolder() {
  std::string pattern = (fs::temp_directory_path() / "tallyvane-sheet-XXXXXX").string();
  char* made = mkdtemp(pattern.data());
  path_ = made ? made : "";
}

ScratchFolder::~ScratchFolder() {
  std::error_code ec;
  if (!path_.empty()) fs::remove_all(path_, ec);
}

std::string ScratchFolder::CopyTemplate(const std::string& name, const std::string& as) const {
  std::string target = path_ + "/" + (as.empty() ? name : as);
  fs::copy_file(TemplatePath(name), target, fs::copy_options::overwrite_existing);
  return target;
}

std::string TemplatePath(const std::string& name) {
  // Direct runs of the test binary make the templates themselves.
  if (!fs::exists(std::string(SPREADSHEET_TEMPLATES) + "/bench.xlsx")) {
    std::string cmd = std::string("/usr/bin/python3 ") + SPREADSHEET_TEMPLATE_SCRIPT + " " + SPREADSHEET_TEMPLATES;
    int rc = std::system(cmd.c_str());
    EXPECT_EQ(rc, 0) << "making the templates failed";
  }
  return std::string(SPREADSHEET_TEMPLATES) + "/" + name;
}

std::string RunCommand(const std::string& command, int* status) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) {
    *status = -1;
    return out;
  }
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  int rc = pclose(p);
  *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  return out;
}

std::string RunPython(const std::string& script, const std::string& file) {
  ScratchFolder folder;
  std::string path = folder.Path() + "/check.py";
  std::ofstream(path) << "import sys\nimport openpyxl\n" << script;
  int status = 0;
  std::string out = RunCommand("/usr/bin/python3 " + path + " '" + file + "' 2>&1", &status);
  EXPECT_EQ(status, 0) << out;
  return out;
}

std::string ReadPart(const std::string& file, const std::string& part) {
  int err = 0;
  zip_t* za = zip_open(file.c_str(), ZIP_RDONLY, &err);
  if (!za) return "";
  std::string out;
  zip_file_t* zf = zip_fopen(za, part.c_str(), 0);
  if (zf) {
    char buf[65536];
    zip_int64_t n;
    while ((n = zip_fread(zf, buf, sizeof buf)) > 0) out.append(buf, static_cast<size_t>(n));
    zip_fclose(zf);
  }
  zip_discard(za);
  return out;
}

}  // namespace tallyvane::testing
