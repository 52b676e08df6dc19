// The INI reader and writer on any file content, and a written value that
// must read back unchanged (line breaks become blanks, a NUL ends it, and
// reads stop at 2,047 characters).
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/private_profile.h"

using namespace tallyvane;

namespace {

const std::string& ScratchFile() {
  static const std::string path = "/tmp/tallyvane-ini-fuzz-" + std::to_string(getpid()) + ".ini";
  return path;
}

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
  {
    std::ofstream out(ScratchFile(), std::ios::binary | std::ios::trunc);
    out << content;
  }
  ReadProfileString("FILE", "LogFileName", ScratchFile());
  if (!WriteProfileString("PARAMETER", "Default1", value, ScratchFile())) std::abort();
  if (ReadProfileString("parameter", "DEFAULT1", ScratchFile()) != Expected(value)) std::abort();
  return 0;
}
