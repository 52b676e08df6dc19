#pragma once
// The declared run parameters of the configuration file, with the
// command-line values applied.
#include <string>

namespace tallyvane {

struct RunParameters;

void LoadParameters(const std::string& cfg_file_name, RunParameters& parameters);

}  // namespace tallyvane
