#include "app/preflight.h"

#include <unistd.h>

#include <cctype>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "config/file_name_macros.h"
#include "config/missing_config_file.h"
#include "config/read_ini_value.h"
#include "config/run_parameters.h"
#include "config/run_settings.h"
#include "platform/plain_text.h"
#include "platform/platform_error.h"
#include "platform/platform_factory.h"
#include "run/run_context.h"
#include "sql/function_fields.h"
#include "sql/sql_file_list.h"
#include "sql/sql_file_reader.h"
#include "workbook/output_functions.h"

namespace tallyvane {
namespace {

constexpr long kSheetColumns = 16384;
constexpr long kLargestNumber = 32767;  // row and column numbers are 16-bit
// A check must not wait for ever on a data source that does not answer.
constexpr int kLoginSeconds = 30;

// Tables and views that a statement creates, in lower case.
std::vector<std::string> CreatedNames(const std::string& sql) {
  static const std::regex creates(
      R"(\bcreate\s+(?:(?:global\s+|local\s+)?temp(?:orary)?\s+)?(?:table|view)\s+(?:if\s+not\s+exists\s+)?([\w."`\[\]]+))",
      std::regex::icase);
  std::vector<std::string> names;
  for (std::sregex_iterator it(sql.begin(), sql.end(), creates), end; it != end; ++it) {
    std::string name;
    for (const char c : (*it)[1].str()) {
      if (c != '"' && c != '`' && c != '[' && c != ']')
        name.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    }
    name = name.substr(name.rfind('.') + 1);
    if (!name.empty()) names.push_back(name);
  }
  return names;
}

// A defined name that stands for cells (Sheet1!$B$2, 'Daily Sales'!$B$2:$C$3,
// Data!$A:$A) rather than for a constant or a formula.
bool RefersToCells(const std::string& formula) {
  static const std::string sheet = R"((?:(?:'(?:[^']|'')+'|[^'!:\s]+)!)?)";
  static const std::string cell = R"(\$?[A-Za-z]{1,3}\$?[0-9]+)";
  static const std::string columns = R"(\$?[A-Za-z]{1,3}:\$?[A-Za-z]{1,3})";
  static const std::string rows = R"(\$?[0-9]+:\$?[0-9]+)";
  static const std::regex cells("\\s*" + sheet + "(?:" + cell + "(?::" + cell + ")?|" + columns + "|" + rows + ")\\s*");
  return std::regex_match(formula, cells);
}

std::string JoinQuoted(const std::vector<std::string>& texts) {
  std::string joined;
  for (const std::string& text : texts) joined += (joined.empty() ? "" : ", ") + Quoted(text);
  return joined;
}

bool MentionsWord(const std::string& sql, const std::string& word) {
  return std::regex_search(sql, std::regex("\\b" + word + "\\b", std::regex::icase));
}

// A check must not wait for ever on a table that another session holds
// locked, nor on a data source that does not answer (some drivers ignore
// the login time limit): when one step takes longer than kLoginSeconds,
// expire runs on another thread while the step still blocks, and the
// check ends with status 1.
class StepDeadline {
 public:
  explicit StepDeadline(std::function<void()> expire)
      : watcher_([this, expire] {
          std::unique_lock<std::mutex> lock(mutex_);
          if (done_.wait_for(lock, std::chrono::seconds(kLoginSeconds), [this] { return finished_; })) return;
          expire();
          ::_exit(1);
        }) {}
  ~StepDeadline() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      finished_ = true;
    }
    done_.notify_one();
    watcher_.join();
  }

 private:
  std::mutex mutex_;
  std::condition_variable done_;
  bool finished_ = false;
  std::thread watcher_;
};

class Preflight {
 public:
  Preflight(RunContext& context, std::ostream& out) : context_(context), out_(out) {}
  int Run();

 private:
  void Report(bool error, const std::string& where, const std::string& text);
  void CheckFileNameMacros();
  void CheckNameReference(const std::string& where, const std::string& name);
  void ReportCount();
  void OpenTemplate();
  void Connect();
  void CheckSqlFile(const ListedSqlFile& file);
  void CheckStatement(const std::string& where, const SqlStatement& statement);
  void CheckTarget(const std::string& where, const FunctionFields& fields);
  void CheckPrepare(const std::string& where, const FunctionFields& fields, const std::string& sql);
  void ReportUnprepared(const std::string& where, const std::string& sql, const std::string& reason);
  // Reports the step that did not answer in time, and the summary.
  std::function<void()> ExpiredStep(const std::string& where, const std::string& text);

  RunContext& context_;
  std::ostream& out_;
  long errors_ = 0;
  long warnings_ = 0;
  long statements_ = 0;
  std::unique_ptr<SpreadsheetApp> application_;
  std::unique_ptr<Workbook> template_;
  std::shared_ptr<DatabaseConnection> connection_;
  std::vector<std::string> created_;  // by function-0 statements so far
};

void Preflight::Report(bool error, const std::string& where, const std::string& text) {
  ++(error ? errors_ : warnings_);
  out_ << where << ": " << (error ? "error: " : "warning: ") << text << "\n";
}

int Preflight::Run() {
  const std::string& ini = context_.settings.CfgFileName;
  if (!context_.wiring.FileSystem->FileExists(ini)) {
    Report(true, "tallyvane", MissingConfigFileText(context_.settings));
  } else {
    LoadParameters(context_.settings.CfgFileName, context_.parameters);
    for (const std::string& problem :
         CheckRunSettings(context_.settings, *context_.wiring.FileSystem, context_.wiring.Time))
      Report(true, ini, problem);
    CheckFileNameMacros();
    OpenTemplate();
    Connect();
    std::vector<ListedSqlFile> files;
    try {
      files = ListSqlFiles(context_.settings.CfgFileName);
      if (files.empty()) Report(false, ini, "The SQL file list is empty (F_MAXNUM missing, 0 or naming no file).");
    } catch (const std::exception& error) {
      Report(true, ini, std::string("The SQL file list cannot be read: ") + error.what());
    }
    for (const ListedSqlFile& file : files) CheckSqlFile(file);
  }
  ReportCount();
  return errors_ == 0 ? 0 : 1;
}

// Without a connection no statement was prepared, and the count must not
// suggest that they were.
void Preflight::ReportCount() {
  out_ << errors_ << (errors_ == 1 ? " error, " : " errors, ") << warnings_
       << (warnings_ == 1 ? " warning" : " warnings") << "; " << statements_
       << (statements_ == 1 ? " statement" : " statements");
  if (statements_ > 0 && !connection_) {
    out_ << (statements_ == 1 ? " was" : " were")
         << " read but could not be checked (no connection to the data source)";
  } else {
    out_ << " checked";
  }
  out_ << " in " << Quoted(context_.settings.CfgFileName) << ".\n";
}

std::function<void()> Preflight::ExpiredStep(const std::string& where, const std::string& text) {
  return [this, where, text] {
    Report(true, where,
           text + " did not answer within " + std::to_string(kLoginSeconds) +
               " seconds (locked by another session?); the check stops here.");
    ReportCount();
    out_.flush();
  };
}

// A mistyped macro passes every other check, and then each run overwrites
// the report of the last one.
void Preflight::CheckFileNameMacros() {
  for (const char* key : {"LogFileName", "ReportFileName"}) {
    const std::string name = TrimSpaces(ReadIniValue("FILE", key, context_.settings.CfgFileName));
    const std::vector<std::string> mistyped = MistypedFileNameMacros(name);
    if (mistyped.empty()) continue;
    Report(false, context_.settings.CfgFileName,
           std::string(key) + " " + Quoted(name) + " holds " + JoinQuoted(mistyped) +
               ", which the run does not expand: the date macros are &Y &M &D &H &N &S (an \"&\" before any other "
               "letter is dropped, a \"%\" stays as it stands).");
  }
}

// Function 3 makes the name stand for the value: a name that refers to a
// cell loses that reference and the cell keeps its text.
void Preflight::CheckNameReference(const std::string& where, const std::string& name) {
  const std::string formula = template_->DefinedNameFormula(name);
  if (!RefersToCells(formula)) return;
  Report(false, where,
         "The defined name " + Quoted(name) + " refers to " + formula +
             ": the run makes it stand for the value instead, and that cell keeps its text. Show the value with a "
             "formula such as =\"Value: \"&" +
             name + ".");
}

void Preflight::OpenTemplate() {
  if (!context_.wiring.FileSystem->FileExists(context_.settings.TemplateFileName)) return;  // already reported
  try {
    application_ = context_.wiring.Platform->CreateSpreadsheetApp();
    template_ = application_->OpenWorkbook(context_.settings.TemplateFileName);
  } catch (const std::exception& error) {
    Report(true, context_.settings.CfgFileName,
           "Failed to open the template " + Quoted(context_.settings.TemplateFileName) + ": " + error.what());
  }
}

void Preflight::Connect() {
  if (context_.settings.DataSourceName.empty()) return;  // already reported
  try {
    connection_ = context_.wiring.Platform->CreateDbConnection();
    connection_->SetConnectionTimeout(kLoginSeconds);
    StepDeadline deadline(
        ExpiredStep(context_.settings.CfgFileName, "The data source " + Quoted(context_.settings.DataSourceName)));
    connection_->Open(context_.settings.DataSourceName, context_.settings.DbUserName, context_.settings.DbPassword);
  } catch (const std::exception& error) {
    connection_.reset();
    Report(true, context_.settings.CfgFileName,
           "Failed to connect to database. DSN=" + context_.settings.DataSourceName + ": " + error.what());
  }
}

void Preflight::CheckSqlFile(const ListedSqlFile& file) {
  const std::string where = SqlFileTag(file.number) + " " + file.name;
  if (!context_.wiring.FileSystem->FileExists(file.name)) {
    Report(true, where, Quoted(file.name) + " does not exist.");
    return;
  }
  try {
    const SqlFileStatements read =
        ReadSqlStatements(ReadSqlFileLines(*context_.wiring.FileSystem, file.name, context_.settings.CodePage),
                          SqlParametersOf(context_.parameters));
    for (const SqlStatement& statement : read.statements) {
      CheckStatement(where + ":" + std::to_string(statement.line) + " [" + statement.label + "]", statement);
    }
    if (!read.error.empty()) throw PlatformError(read.error);
  } catch (const std::exception& error) {
    Report(true, where, std::string("Failed to read: ") + error.what());
  }
}

void Preflight::CheckStatement(const std::string& where, const SqlStatement& statement) {
  ++statements_;
  FunctionFields fields;
  try {
    fields = DecodeFunctionFields(statement.fields);
  } catch (const std::exception& error) {
    Report(true, where, std::string("The function line cannot be decoded: ") + error.what());
    return;
  }
  if (fields.function < 0 || fields.function > 3) {
    Report(true, where, "Function " + std::to_string(fields.function) + " does not exist (0 to 3).");
    return;
  }
  CheckTarget(where, fields);
  CheckPrepare(where, fields, statement.text);
}

void Preflight::CheckTarget(const std::string& where, const FunctionFields& fields) {
  if (fields.function == 0 || !template_) return;
  if (fields.function == 3) {
    if (!template_->HasDefinedName(fields.target)) {
      Report(true, where, "The template has no defined name " + Quoted(fields.target) + ".");
    } else {
      CheckNameReference(where, fields.target);
    }
    return;
  }
  try {
    FindReportSheet(*template_, fields.target);
  } catch (const std::exception& error) {
    Report(true, where, error.what());
  }
  if (fields.begin_row < 1) {
    Report(true, where, "Begin row " + std::to_string(fields.begin_row) + " is outside the sheet.");
  }
  if (fields.begin_col < 1 || fields.begin_col > kSheetColumns) {
    Report(true, where, "Begin col " + std::to_string(fields.begin_col) + " is outside the sheet (1 to 16384).");
  }
}

void Preflight::ReportUnprepared(const std::string& where, const std::string& sql, const std::string& reason) {
  for (const std::string& name : created_) {
    if (MentionsWord(sql, name)) {
      Report(false, where, "It depends on " + Quoted(name) + ", made by an earlier statement: " + reason);
      return;
    }
  }
  Report(true, where, reason);
}

void Preflight::CheckPrepare(const std::string& where, const FunctionFields& fields, const std::string& sql) {
  if (!connection_) return;
  int columns = -1;
  std::vector<std::string> binary_columns;
  try {
    StepDeadline deadline(ExpiredStep(where, "The statement"));
    columns = connection_->Prepare(sql, &binary_columns);
  } catch (const std::exception& error) {
    ReportUnprepared(where, sql, error.what());
  }
  // Function 3 reads the first column only.
  for (const std::string& column : binary_columns) {
    if (fields.function == 0 || (fields.function == 3 && column.rfind("column 1 ", 0) != 0)) continue;
    Report(false, where,
           "Its " + column +
               " holds binary data, which no cell takes: the statement will fail with "
               "\"Type mismatch\".");
  }
  // What it creates counts for later statements even when it could not be
  // prepared itself.
  if (fields.function == 0) {
    for (std::string& name : CreatedNames(sql)) created_.push_back(std::move(name));
    return;
  }
  if (columns == 0) Report(false, where, "The statement returns no result columns.");
  const long begin = fields.by_column ? fields.begin_row : fields.begin_col;
  const long limit = fields.by_column ? kLargestNumber : kSheetColumns;
  if (fields.function != 3 && columns > 0 && begin >= 1 && begin <= limit && begin + columns - 1 > limit) {
    Report(true, where,
           "Its " + std::to_string(columns) + " columns do not fit in the sheet from the begin " +
               (fields.by_column ? "row." : "col."));
  }
}

}  // namespace

int RunPreflight(RunContext& context, std::ostream& out) { return Preflight(context, out).Run(); }

}  // namespace tallyvane
