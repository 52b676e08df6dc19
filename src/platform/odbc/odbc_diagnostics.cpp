#include "platform/odbc/odbc_diagnostics.h"

#include <sqlext.h>

#include <algorithm>
#include <vector>

#include "platform/odbc/utf16.h"
#include "platform/platform_error.h"

namespace tallyvane {
namespace {

// Reads record number `record`; false once there are no more.
bool ReadDiagnosticRecord(SQLSMALLINT handle_type, SQLHANDLE handle, SQLSMALLINT record,
                          std::string* out) {
  SQLWCHAR state[6] = {};
  SQLINTEGER native = 0;
  std::vector<SQLWCHAR> message(512);
  SQLSMALLINT length = 0;
  SQLRETURN rc = SQLGetDiagRecW(handle_type, handle, record, state, &native, message.data(),
                                static_cast<SQLSMALLINT>(message.size()), &length);
  if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(message.size())) {
    // The buffer was too small: the call reports the full length.
    message.resize(static_cast<std::size_t>(length) + 1);
    rc = SQLGetDiagRecW(handle_type, handle, record, state, &native, message.data(),
                        static_cast<SQLSMALLINT>(message.size()), &length);
  }
  if (!SQL_SUCCEEDED(rc)) return false;
  std::size_t chars = std::min<std::size_t>(static_cast<std::size_t>(length), message.size() - 1);
  *out = Utf16ToUtf8(message.data(), chars) + " (SQLSTATE " + Utf16ToUtf8(state, 5) + ")";
  return true;
}

}  // namespace

std::string DescribeDiagnostics(SQLSMALLINT handle_type, SQLHANDLE handle) {
  std::string text;
  if (handle == SQL_NULL_HANDLE) return text;
  std::string record_text;
  // SQLSMALLINT caps the record number; no driver comes near that.
  for (SQLSMALLINT record = 1; record < 1000; ++record) {
    if (!ReadDiagnosticRecord(handle_type, handle, record, &record_text)) break;
    if (!text.empty()) text += "; ";
    text += record_text;
  }
  return text;
}

void ThrowOdbcError(SQLRETURN rc, SQLSMALLINT handle_type, SQLHANDLE handle, const char* call) {
  std::string text = DescribeDiagnostics(handle_type, handle);
  if (text.empty()) {
    text = std::string(call) + " failed with return code " + std::to_string(rc) +
           " and no diagnostic record";
  }
  throw PlatformError(text, rc);
}

void CheckOdbc(SQLRETURN rc, SQLSMALLINT handle_type, SQLHANDLE handle, const char* call) {
  if (!SQL_SUCCEEDED(rc)) ThrowOdbcError(rc, handle_type, handle, call);
}

}  // namespace tallyvane
