#pragma once
// The report workbook of a run: a fresh copy of the template, opened at the
// start and saved and closed at the end.

namespace tallyvane {

struct RunContext;

bool OpenReportFile(RunContext& context);
bool CloseReportFile(RunContext& context);

}  // namespace tallyvane
