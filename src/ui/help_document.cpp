#include "ui/help_document.h"

#include "run/program_folder.h"

namespace tallyvane {

std::string HelpDocumentPath() { return ProgramFolder() + "/" + kHelpDocumentRelativePath; }

}  // namespace tallyvane
