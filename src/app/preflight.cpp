#include "app/preflight.h"

#include <cctype>
#include <exception>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "app/run_context.h"
#include "config/run_parameters.h"
#include "config/run_settings.h"
#include "platform/platform_factory.h"
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

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// Tables and views that a statement creates, in lower case.
std::vector<std::string> CreatedNames(const std::string& sql) {
  static const std::regex creates(
      R"(\bcreate\s+(?:(?:global\s+|local\s+)?temp(?:orary)?\s+)?(?:table|view)\s+(?:if\s+not\s+exists\s+)?([\w."`\[\]]+))",
      std::regex::icase);
  std::vector<std::string> names;
  for (std::sregex_iterator it(sql.begin(), sql.end(), creates), end; it != end; ++it) {
    std::string name;
    for (const char c : (*it)[1].str()) {
      if (c != '"' && c != '`' && c != '[' && c != ']') name.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    }
    name = name.substr(name.rfind('.') + 1);
    if (!name.empty()) names.push_back(name);
  }
  return names;
}

bool MentionsWord(const std::string& sql, const std::string& word) {
  return std::regex_search(sql, std::regex("\\b" + word + "\\b", std::regex::icase));
}

class Preflight {
 public:
  Preflight(RunContext& context, std::ostream& out) : context_(context), out_(out) {}
  int Run();

 private:
  void Report(bool error, const std::string& where, const std::string& text);
  void OpenTemplate();
  void Connect();
  void CheckSqlFile(const ListedSqlFile& file);
  void CheckStatement(const std::string& where, const SqlStatement& statement);
  void CheckTarget(const std::string& where, const FunctionFields& fields);
  void CheckPrepare(const std::string& where, const FunctionFields& fields, const std::string& sql);
  void ReportUnprepared(const std::string& where, const std::string& sql, const std::string& reason);

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
  const std::string& ini = context_.CfgFileName;
  if (!context_.FileSystem->FileExists(ini)) {
    Report(true, "tallyvane", "Configuration file " + Quoted(ini) + " does not exist.");
  } else {
    LoadParameters(context_);
    for (const std::string& problem : CheckRunSettings(context_)) Report(true, ini, problem);
    OpenTemplate();
    Connect();
    std::vector<ListedSqlFile> files;
    try {
      files = ListSqlFiles(context_);
      if (files.empty()) Report(false, ini, "The SQL file list is empty (F_MAXNUM missing, 0 or naming no file).");
    } catch (const std::exception& error) {
      Report(true, ini, std::string("The SQL file list cannot be read: ") + error.what());
    }
    for (const ListedSqlFile& file : files) CheckSqlFile(file);
  }
  out_ << errors_ << (errors_ == 1 ? " error, " : " errors, ") << warnings_
       << (warnings_ == 1 ? " warning" : " warnings") << "; " << statements_
       << (statements_ == 1 ? " statement" : " statements") << " checked in " << Quoted(ini) << ".\n";
  return errors_ == 0 ? 0 : 1;
}

void Preflight::OpenTemplate() {
  if (!context_.FileSystem->FileExists(context_.TemplateFileName)) return;  // already reported
  try {
    application_ = context_.Platform->CreateSpreadsheetApp();
    template_ = application_->OpenWorkbook(context_.TemplateFileName);
  } catch (const std::exception& error) {
    Report(true, context_.CfgFileName, "Failed to open the template " + Quoted(context_.TemplateFileName) + ": " +
                                           error.what());
  }
}

void Preflight::Connect() {
  if (context_.DataSourceName.empty()) return;  // already reported
  try {
    connection_ = context_.Platform->CreateDbConnection();
    connection_->SetConnectionTimeout(kLoginSeconds);
    connection_->Open(context_.DataSourceName, context_.DbUserName, context_.DbPassword);
  } catch (const std::exception& error) {
    connection_.reset();
    Report(true, context_.CfgFileName,
           "Failed to connect to database. DSN=" + context_.DataSourceName + ": " + error.what());
  }
}

void Preflight::CheckSqlFile(const ListedSqlFile& file) {
  const std::string where = "[SQLFILE" + std::to_string(file.number) + "] " + file.name;
  if (!context_.FileSystem->FileExists(file.name)) {
    Report(true, where, Quoted(file.name) + " does not exist.");
    return;
  }
  try {
    ReadSqlStatements(context_, file.name, [&](const SqlStatement& statement) {
      CheckStatement(where + ":" + std::to_string(statement.line) + " [" + statement.label + "]", statement);
    });
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
    columns = connection_->Prepare(sql, &binary_columns);
  } catch (const std::exception& error) {
    ReportUnprepared(where, sql, error.what());
  }
  // Function 3 reads the first column only.
  for (const std::string& column : binary_columns) {
    if (fields.function == 0 || (fields.function == 3 && column.rfind("column 1 ", 0) != 0)) continue;
    Report(false, where, "Its " + column + " holds binary data, which no cell takes: the statement will fail with "
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
    Report(true, where, "Its " + std::to_string(columns) + " columns do not fit in the sheet from the begin " +
                            (fields.by_column ? "row." : "col."));
  }
}

}  // namespace

int RunPreflight(RunContext& context, std::ostream& out) { return Preflight(context, out).Run(); }

}  // namespace tallyvane
