#include "config/missing_config_file.h"

#include "run/run_context.h"

namespace tallyvane {

std::string MissingConfigFileText(const RunContext& context) {
  std::string text = "Configuration file \"" + context.settings.CfgFileName + "\" does not exist.";
  const std::vector<std::string>& places = context.settings.DefaultConfigPlaces;
  if (!context.settings.CfgFileName.empty() || places.empty()) return text;
  text += " The default configuration was looked for as ";
  for (std::size_t i = 0; i < places.size(); ++i) {
    if (i > 0) text += i + 1 == places.size() ? " and " : ", ";
    text += "\"" + places[i] + "\"";
  }
  return text + ".";
}

}  // namespace tallyvane
