#include "run/program_folder.h"

#include <filesystem>
#include <system_error>

namespace tallyvane {

std::string ProgramPath() {
  std::error_code error;
  std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : path.string();
}

std::string ProgramFolder() { return std::filesystem::path(ProgramPath()).parent_path().string(); }

}  // namespace tallyvane
