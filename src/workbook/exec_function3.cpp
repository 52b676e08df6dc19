#include <exception>
#include <utility>

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
      Value value = session.DbRecordset->FieldValue(0);
      if (value.kind == Value::Kind::Binary) throw PlatformError(BinaryMismatch(1, session.DbRecordset->FieldName(0)));
      // The result and the driver's copy of it go before the text is put
      // into the workbook: a long text is then not held three times over.
      session.DbRecordset->Close();
      const std::string text = FieldValueText(std::move(value));
      session.ReportWorkbook->SetNameValue(name_ref, text);
      assigned = true;
    }
    if (session.DbRecordset->State()) session.DbRecordset->Close();
    return assigned;
  } catch (const std::exception& error) {
    CloseRecordsetQuietly(session);
    LogError(log, "Failed to execute function 3.", error.what());
    return false;
  }
}

}  // namespace tallyvane
