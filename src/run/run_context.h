#pragma once
// The one record of the process that every part of a run reads and writes,
// in parts that change together. It is created once by the program's entry
// and passed by reference.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/database.h"
#include "platform/file_lock.h"
#include "platform/file_system.h"
#include "platform/spreadsheet.h"

namespace tallyvane {

class PlatformFactory;
class RunView;
class ErrorBox;
class Clock;
class RunConsole;

struct RunParameter {
  std::string Name;
  std::string Desc;
  std::string Value;
  std::int16_t Number = 0;
};

inline constexpr int kMaxParameters = 10;
inline constexpr int kMaxCmdValues = 10;

// What the configuration and the command line name for a run: read once at
// its start, then only read.
struct RunSettings {
  std::string DataSourceName;
  std::string DbUserName;
  std::string DbPassword;
  std::string CfgFileName;
  // Where start-up looked for the default configuration file, in order.
  std::vector<std::string> DefaultConfigPlaces;
  std::string TemplateFileName;
  std::string ReportFileName;
  std::string LogFileName;
  // The code page of the SQL files, as the configuration names it ([FILE]
  // CodePage); empty for UTF-8.
  std::string CodePage;
};

// The run counters count past 32,767 so that a long run never overflows
// them; row, column and record numbers keep their 16-bit rules elsewhere.
struct RunCounters {
  long SqlFileCount = 0;
  long SqlStatementCount = 0;
  long ErrorCount = 0;
  int LogViewLineCount = 0;
};

// What a run opens and holds while it goes: the log, the report's lock, the
// database and the workbook.
struct RunSession {
  std::unique_ptr<TextStream> LogStream;
  // Keeps other runs off the report from its copy to the run's end.
  std::unique_ptr<FileLock> ReportLock;
  std::shared_ptr<DatabaseConnection> DbConnection;
  std::unique_ptr<Recordset> DbRecordset;
  std::unique_ptr<SpreadsheetApp> ExcelApp;
  std::unique_ptr<Workbook> ReportWorkbook;
  std::unique_ptr<Worksheet> ReportSheet;
  // "[SQLFILEk]" while a SQL file is read, with "  [label]" added while one
  // of its statements runs; empty otherwise.
  std::string SqlTag;
};

// Wiring: where the run finds its platform, its window and its clock. Set
// by the program's entry (or a test) before a run; only the file system is
// owned.
struct RunWiring {
  std::unique_ptr<tallyvane::FileSystem> FileSystem;
  PlatformFactory* Platform = nullptr;
  RunView* View = nullptr;        // set only while a main window exists
  ErrorBox* Errors = nullptr;     // the error message box
  Clock* Time = nullptr;          // local date and time
  RunConsole* Console = nullptr;  // the operator's terminal, in the unattended mode
};

// The declared run parameters and the values the command line gives them:
// read before a run, typed into by the parameter dialog, then only read.
struct RunParameters {
  std::int16_t ParameterCount = 0;
  // Positions 1 to 10 are indexes 0 to 9.
  std::array<RunParameter, kMaxParameters> Parameters;
  std::array<std::string, kMaxCmdValues> CmdValues;
  std::int16_t CmdValueCount = 0;
};

// The parts change at different times, so they are kept apart; each step
// takes only the parts it uses (the README's "The run's record" lists
// which). The mode and the dialog's answer stay at the top.
struct RunContext {
  RunSettings settings;
  RunParameters parameters;
  RunCounters counters;
  RunSession session;
  RunWiring wiring;

  bool Interactive = true;
  bool RunConfirmed = false;
};

}  // namespace tallyvane
