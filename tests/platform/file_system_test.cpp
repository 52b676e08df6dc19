#include "platform/file_system.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <vector>

#include "platform/platform_error.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace tallyvane {
namespace {

using test::ReadFileBytes;
using test::TempDir;

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
    return "";
  } catch (const PlatformError& error) {
    return error.what();
  }
}

// Only the file itself: a copy or a save that failed leaves no hidden
// temporary beside it.
std::vector<std::string> NamesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

mode_t ModeOf(const std::string& path) {
  struct stat info;
  EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
  return info.st_mode;
}

// Only a name whose replacement destroys nothing but a file may be replaced;
// the system's folders never, whatever their names lead to.
TEST(IsReplaceable, OnlyFilesOutsideTheSystemsFolders) {
  TempDir dir;
  const std::string file = dir.Write("file.xlsx", "x");
  fs::create_symlink(file, dir.File("link.xlsx"));
  fs::create_directory(dir.File("folder.xlsx"));
  ::mkfifo(dir.File("fifo.xlsx").c_str(), 0600);
  const struct {
    std::string name;
    bool replaceable;
  } cases[] = {
      {file, true},
      {dir.File("link.xlsx"), true},
      {dir.File("absent.xlsx"), true},
      {dir.File("fifo.xlsx"), false},
      {dir.File("folder.xlsx"), false},
      {"/dev/stdout", false},
      {"/dev/fd/1", false},
      {"/proc/self/fd/1", false},
      {"/dev/shm/report.xlsx", false},
      {"/sys/report.xlsx", false},
  };
  for (const auto& c : cases) EXPECT_EQ(FileSystem().IsReplaceable(c.name), c.replaceable) << c.name;
}

TEST(CopyFile, ReplacesTheDestinationWithANewFileUnderTheUmask) {
  TempDir dir;
  const std::string source = dir.Write("template.xlsx", "template bytes");
  ::chmod(source.c_str(), 0400);
  const std::string victim = dir.Write("victim", "not ours");
  const std::string report = dir.File("report.xlsx");
  fs::create_symlink(victim, report);
  const mode_t old_mask = ::umask(027);
  FileSystem().CopyFile(source, report);
  ::umask(old_mask);

  EXPECT_EQ(ReadFileBytes(report), "template bytes");
  EXPECT_EQ(ReadFileBytes(victim), "not ours") << "a link at the name is replaced, not followed";
  EXPECT_TRUE(S_ISREG(ModeOf(report)));
  EXPECT_EQ(ModeOf(report) & 0777, 0640u) << "the template's mode is not copied";
}

TEST(CopyFile, LeavesNothingBehindWhenItFails) {
  TempDir dir;
  const std::string source = dir.Write("template.xlsx", "template bytes");
  fs::create_directory(dir.File("report.xlsx"));
  EXPECT_EQ(ErrorOf([&] { FileSystem().CopyFile(source, dir.File("report.xlsx")); }),
            "Cannot copy to \"" + dir.File("report.xlsx") + "\": Is a directory");
  EXPECT_EQ(NamesIn(dir.path()), (std::vector<std::string>{"report.xlsx", "template.xlsx"}));

  EXPECT_EQ(ErrorOf([&] { FileSystem().CopyFile(dir.File("missing"), dir.File("out")); }),
            "Cannot copy \"" + dir.File("missing") + "\": No such file or directory");
}

TEST(CreateTextFile, WritesOnlyAFileThatIsItsOwn) {
  TempDir dir;
  const std::string target = dir.Write("target", "keep me");
  const std::string link = dir.File("link.log");
  fs::create_symlink(target, link);
  const std::string twin = dir.File("twin.log");
  fs::create_hard_link(target, twin);
  FileSystem files;
  EXPECT_EQ(ErrorOf([&] { files.CreateTextFile(link); }),
            "Cannot create \"" + link + "\": it is a symbolic link, which is never written through.");
  EXPECT_EQ(ErrorOf([&] { files.CreateTextFile(twin); }),
            "Cannot create \"" + twin + "\": the file has other names (hard links).");
  EXPECT_EQ(ErrorOf([&] { files.CreateTextFile(dir.path()); }), "Cannot create \"" + dir.path() + "\": Is a directory");
  EXPECT_EQ(ReadFileBytes(target), "keep me");

  const std::string log = dir.Write("run.log", "an older, longer run log\r\n");
  std::unique_ptr<TextStream> stream = files.CreateTextFile(log);
  stream->WriteLine("one");
  EXPECT_EQ(ReadFileBytes(log), "one\r\n") << "truncated, then every line on disk at once";
  stream->Close();
}

TEST(TextStream, ReadsLinesOfEitherEndingAndKeepsLongOnesShort) {
  TempDir dir;
  std::unique_ptr<TextStream> in =
      FileSystem().OpenTextFile(dir.Write("a.sql", "first\r\nsecond\n\r\nlast without end"));
  std::vector<std::string> lines;
  while (!in->AtEndOfStream()) lines.push_back(in->ReadLine(9));
  EXPECT_EQ(lines, (std::vector<std::string>{"first", "second", "", "last with"}));
  EXPECT_EQ(ErrorOf([&] { FileSystem().OpenTextFile(dir.path()); }),
            "Cannot open \"" + dir.path() + "\": Is a directory");
}

}  // namespace
}  // namespace tallyvane
