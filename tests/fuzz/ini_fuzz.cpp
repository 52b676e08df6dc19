// The INI reader and writer on any file content, and a written value that
// must read back unchanged (line breaks become blanks, a NUL ends it, and
// reads stop at 2,047 characters) whatever code page the file names.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/private_profile.h"
#include "platform/text_code_page.h"

using namespace tallyvane;

namespace {

std::string Expected(std::string value) {
  value = value.substr(0, value.find('\0'));
  for (char& c : value) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  std::size_t characters = 0;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if ((static_cast<unsigned char>(value[i]) & 0xC0) != 0x80 && characters++ == kMaxProfileValueLength) {
      return value.substr(0, i);
    }
  }
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find('\x01');
  const std::string content = input.substr(0, split);
  const std::string value = split == std::string::npos ? std::string() : input.substr(split + 1);
  static const std::string scratch = "/tmp/tallyvane-ini-fuzz-" + std::to_string(getpid()) + ".ini";
  std::ofstream(scratch, std::ios::binary | std::ios::trunc) << content;
  ReadProfileString("FILE", "LogFileName", scratch);
  // A file whose text cannot be read is never written, nor is a value that
  // is not text; a UTF-8 file takes every other value.
  const bool readable = ProfileTextError(scratch).empty();
  const bool utf8 = ReadProfileString("FILE", kCodePageKey, scratch).empty();
  std::string decoded;
  const bool text = TextDecoder("").Decode(value.substr(0, value.find('\0')), &decoded);
  if (!WriteProfileString("PARAMETER", "Default1", value, scratch)) {
    if (readable && utf8 && text) std::abort();
    return 0;
  }
  if (!readable) std::abort();
  if (ReadProfileString("parameter", "DEFAULT1", scratch) != Expected(value)) std::abort();
  return 0;
}
