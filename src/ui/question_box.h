#pragma once
// The modal Yes/No question with which a run is confirmed.
#include <QString>

class QWidget;

namespace tallyvane {

inline constexpr const char* kGenerateReportQuestion = "Generate report?";

// Shows the question with the question icon; true only for Yes.
bool AskYesNo(QWidget* parent, const QString& title, const QString& question);

}  // namespace tallyvane
