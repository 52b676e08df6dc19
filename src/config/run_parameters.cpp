#include "config/run_parameters.h"

#include <algorithm>
#include <string>

#include "config/read_ini_value.h"
#include "run/run_context.h"

namespace tallyvane {

void LoadParameters(const std::string& cfg_file_name, RunParameters& parameters) {
  int count = 0;
  for (int number = 1; number <= kMaxParameters; ++number) {
    const std::string suffix = std::to_string(number);
    std::string name = ReadIniValue("PARAMETER", "Name" + suffix, cfg_file_name);
    if (name.empty()) continue;
    RunParameter& parameter = parameters.Parameters[count++];
    parameter.Name = std::move(name);
    parameter.Desc = ReadIniValue("PARAMETER", "Desc" + suffix, cfg_file_name);
    parameter.Value = ReadIniValue("PARAMETER", "Default" + suffix, cfg_file_name);
    parameter.Number = static_cast<std::int16_t>(number);
  }
  parameters.ParameterCount = static_cast<std::int16_t>(count);

  const int applied = std::min<int>(parameters.ParameterCount, parameters.CmdValueCount);
  for (int position = 0; position < applied; ++position) {
    parameters.Parameters[position].Value = parameters.CmdValues[position];
  }
}

}  // namespace tallyvane
