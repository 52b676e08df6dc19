#pragma once
// Text files brought from other systems (a Windows editor, say) read as
// UTF-8: the byte-order mark they may start with, and lines in the code
// page that the configuration names.
#include <memory>
#include <string>

namespace tallyvane {

// The key, in the section [FILE], that names the code page of the
// configuration file and of its SQL files; without it both are UTF-8.
inline constexpr const char* kCodePageKey = "CodePage";

enum class ByteOrderMark { None, Utf8, Utf16 };
ByteOrderMark ByteOrderMarkOf(const std::string& first_bytes);
inline constexpr std::size_t kUtf8MarkLength = 3;

// Converts lines between a code page and UTF-8. The empty name stands for
// UTF-8 itself; a plain number for a Windows code page (1252 is
// windows-1252, 65001 UTF-8).
class TextDecoder {
 public:
  // Throws PlatformError when the code page is unknown or does not write
  // ASCII as ASCII (UTF-16, say): lines and INI syntax could not be found.
  explicit TextDecoder(const std::string& code_page);
  ~TextDecoder();
  TextDecoder(const TextDecoder&) = delete;
  TextDecoder& operator=(const TextDecoder&) = delete;

  // False when the bytes are not valid text in the code page.
  bool Decode(const std::string& bytes, std::string* utf8) const;
  // False when a character has no place in the code page.
  bool Encode(const std::string& utf8, std::string* bytes) const;
  const std::string& Name() const { return name_; }

 private:
  std::string name_;
  struct Converters;
  std::unique_ptr<Converters> converters_;
};

// "<file> is not valid <code page> text at line <n>." and how to fix it.
std::string NotValidTextMessage(const std::string& file, long line, const std::string& code_page);
// "<file> is saved as UTF-16 text." and how to fix it.
std::string Utf16TextMessage(const std::string& file);

}  // namespace tallyvane
