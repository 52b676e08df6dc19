#include "odbc/odbc_diagnostics.h"

#include <sqlext.h>

#include <algorithm>
#include <vector>

#include "odbc/utf16.h"
#include "platform/platform_error.h"

namespace tallyvane::odbc {
namespace {

// True when the bytes form valid UTF-8 with at least one multi-byte
// character.
bool IsMultiByteUtf8(const std::string& bytes) {
  bool multi_byte = false;
  std::size_t i = 0;
  while (i < bytes.size()) {
    unsigned char lead = static_cast<unsigned char>(bytes[i]);
    std::size_t extra;
    if (lead < 0x80) {
      extra = 0;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      extra = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      extra = 2;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      extra = 3;
    } else {
      return false;
    }
    for (std::size_t k = 1; k <= extra; ++k) {
      if (i + k >= bytes.size() || (static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) {
        return false;
      }
    }
    multi_byte = multi_byte || extra != 0;
    i += extra + 1;
  }
  return multi_byte;
}

// The SQLite driver widens the UTF-8 bytes of its messages one by one, as
// if they were Latin-1. Such a message (only units below 256, and valid
// multi-byte UTF-8 when taken as bytes) is read as the UTF-8 it was.
std::string MessageText(const SQLWCHAR* units, std::size_t length) {
  std::string bytes;
  bytes.reserve(length);
  for (std::size_t i = 0; i < length; ++i) {
    if (units[i] > 0xFF) return Utf16ToUtf8(units, length);
    bytes.push_back(static_cast<char>(units[i]));
  }
  return IsMultiByteUtf8(bytes) ? bytes : Utf16ToUtf8(units, length);
}

// Reads record number `record`; false once there are no more.
bool ReadDiagnosticRecord(SQLSMALLINT handle_type, SQLHANDLE handle, SQLSMALLINT record, std::string* out) {
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
  *out = MessageText(message.data(), chars) + " (SQLSTATE " + Utf16ToUtf8(state, 5) + ")";
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
    text = std::string(call) + " failed with return code " + std::to_string(rc) + " and no diagnostic record";
  }
  throw PlatformError(text, rc);
}

void CheckOdbc(SQLRETURN rc, SQLSMALLINT handle_type, SQLHANDLE handle, const char* call) {
  if (!SQL_SUCCEEDED(rc)) ThrowOdbcError(rc, handle_type, handle, call);
}

}  // namespace tallyvane::odbc
