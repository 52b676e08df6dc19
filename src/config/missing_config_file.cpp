#include "config/missing_config_file.h"

#include "run/run_context.h"

namespace tallyvane {

std::string MissingConfigFileText(const RunSettings& settings) {
  std::string text = "Configuration file \"" + settings.CfgFileName + "\" does not exist.";
  const std::vector<std::string>& places = settings.DefaultConfigPlaces;
  if (!settings.CfgFileName.empty() || places.empty()) return text;
  text += " The default configuration was looked for as ";
  for (std::size_t i = 0; i < places.size(); ++i) {
    if (i > 0) text += i + 1 == places.size() ? " and " : ", ";
    text += "\"" + places[i] + "\"";
  }
  return text + ".";
}

}  // namespace tallyvane
