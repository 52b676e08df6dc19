#pragma once
// The report workbook of a run: a fresh copy of the template, opened at the
// start and saved and closed at the end.

namespace tallyvane {

struct RunLog;
struct RunSession;
struct RunSettings;
class FileSystem;

bool OpenReportFile(const RunLog& log, const RunSettings& settings, const FileSystem& files, RunSession& session);
bool CloseReportFile(const RunLog& log, RunSession& session);

}  // namespace tallyvane
