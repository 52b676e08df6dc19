#include <exception>
#include <utility>

#include "log/run_log.h"
#include "platform/platform_error.h"
#include "run/run_context.h"
#include "workbook/cell_value.h"
#include "workbook/field_text.h"
#include "workbook/output_functions.h"

namespace tallyvane {

bool ExecFunction3(RunContext& context, const std::string& name_ref, const std::string& sql_text) {
  try {
    if (!context.session.DbRecordset) throw PlatformError("The database connection is not open.");
    if (!context.session.ReportWorkbook) throw PlatformError("The report workbook is not open.");
    context.session.DbRecordset->Open(sql_text);
    bool assigned = false;
    if (!context.session.DbRecordset->Eof()) {
      Value value = context.session.DbRecordset->FieldValue(0);
      if (value.kind == Value::Kind::Binary)
        throw PlatformError(BinaryMismatch(1, context.session.DbRecordset->FieldName(0)));
      // The result and the driver's copy of it go before the text is put
      // into the workbook: a long text is then not held three times over.
      context.session.DbRecordset->Close();
      const std::string text = FieldValueText(std::move(value));
      context.session.ReportWorkbook->SetNameValue(name_ref, text);
      assigned = true;
    }
    if (context.session.DbRecordset->State()) context.session.DbRecordset->Close();
    return assigned;
  } catch (const std::exception& error) {
    CloseRecordsetQuietly(context);
    LogError(context, "Failed to execute function 3.", error.what());
    return false;
  }
}

}  // namespace tallyvane
