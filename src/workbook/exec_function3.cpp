#include <exception>

#include "log/run_log.h"
#include "platform/platform_error.h"
#include "run/run_context.h"
#include "workbook/cell_value.h"
#include "workbook/field_text.h"
#include "workbook/output_functions.h"

namespace tallyvane {

bool ExecFunction3(const RunLog& log, RunSession& session, const std::string& name_ref, const std::string& sql_text) {
  try {
    if (!session.DbRecordset) throw PlatformError("The database connection is not open.");
    if (!session.ReportWorkbook) throw PlatformError("The report workbook is not open.");
    session.DbRecordset->Open(sql_text);
    bool assigned = false;
    if (!session.DbRecordset->Eof()) {
      const Value value = session.DbRecordset->FieldValue(0);
      if (value.kind == Value::Kind::Binary) throw PlatformError(BinaryMismatch(1, session.DbRecordset->FieldName(0)));
      const std::string text = FieldValueText(value);
      session.ReportWorkbook->SetNameValue(name_ref, text);
      assigned = true;
    }
    session.DbRecordset->Close();
    return assigned;
  } catch (const std::exception& error) {
    CloseRecordsetQuietly(session);
    LogError(log, "Failed to execute function 3.", error.what());
    return false;
  }
}

}  // namespace tallyvane
