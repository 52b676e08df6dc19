#include "config/run_parameters.h"

#include <algorithm>
#include <string>

#include "config/read_ini_value.h"
#include "run/run_context.h"

namespace tallyvane {

void LoadParameters(RunContext& context) {
  int count = 0;
  for (int number = 1; number <= kMaxParameters; ++number) {
    const std::string suffix = std::to_string(number);
    std::string name = ReadIniValue("PARAMETER", "Name" + suffix, context.settings.CfgFileName);
    if (name.empty()) continue;
    RunParameter& parameter = context.Parameters[count++];
    parameter.Name = std::move(name);
    parameter.Desc = ReadIniValue("PARAMETER", "Desc" + suffix, context.settings.CfgFileName);
    parameter.Value = ReadIniValue("PARAMETER", "Default" + suffix, context.settings.CfgFileName);
    parameter.Number = static_cast<std::int16_t>(number);
  }
  context.ParameterCount = static_cast<std::int16_t>(count);

  const int applied = std::min<int>(context.ParameterCount, context.CmdValueCount);
  for (int position = 0; position < applied; ++position) {
    context.Parameters[position].Value = context.CmdValues[position];
  }
}

}  // namespace tallyvane
