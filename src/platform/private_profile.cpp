#include "platform/private_profile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/platform_error.h"
#include "platform/text_code_page.h"

namespace tallyvane {
namespace {

struct ProfileLine {
  std::string text;  // without its line break
  enum class Kind { Other, Section, Entry } kind = Kind::Other;
  std::string name;   // section name, or key of an entry
  std::string value;  // value of an entry, as read back
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string TrimBlanks(const std::string& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

bool IsQuote(char c) { return c == '"' || c == '\''; }

// A value wrapped in a matching pair of quotes reads without them, which is
// also how a value with surrounding blanks survives a write and a read.
std::string UnquoteValue(const std::string& raw) {
  std::string value = TrimBlanks(raw);
  if (value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

std::string QuoteValueIfNeeded(const std::string& value) {
  bool needs_quotes = !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()));
  if (value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front()) {
    needs_quotes = true;
  }
  return needs_quotes ? "\"" + value + "\"" : value;
}

ProfileLine ParseLine(std::string text) {
  ProfileLine line;
  line.text = std::move(text);
  std::string trimmed = TrimBlanks(line.text);
  if (trimmed.empty() || trimmed[0] == ';' || trimmed[0] == '#') return line;
  if (trimmed[0] == '[') {
    std::size_t close = trimmed.find(']');
    line.kind = ProfileLine::Kind::Section;
    line.name = TrimBlanks(trimmed.substr(1, close == std::string::npos ? std::string::npos : close - 1));
    return line;
  }
  std::size_t equals = trimmed.find('=');
  if (equals == std::string::npos) return line;
  line.kind = ProfileLine::Kind::Entry;
  line.name = TrimBlanks(trimmed.substr(0, equals));
  line.value = UnquoteValue(trimmed.substr(equals + 1));
  return line;
}

struct ProfileFile {
  std::vector<ProfileLine> lines;  // as UTF-8
  std::string line_break = "\n";
  bool ends_with_break = true;
  bool utf8_mark = false;
  std::string code_page;   // of the file's own text; empty for UTF-8
  std::string text_error;  // why the text cannot be read; it then has no lines
};

// Where a key of a section stands: the entry that a read finds (the first
// one in any section of that name), and the first such section with its last
// non-blank line, after which a new entry goes.
struct EntryLocation {
  long entry = -1;
  long section = -1;
  long section_last_line = -1;
};

EntryLocation FindEntry(const ProfileFile& profile, const std::string& section, const std::string& key) {
  EntryLocation where;
  bool inside = false;
  bool inside_first = false;
  for (std::size_t i = 0; i < profile.lines.size(); ++i) {
    const ProfileLine& line = profile.lines[i];
    const long index = static_cast<long>(i);
    if (line.kind == ProfileLine::Kind::Section) {
      inside = SameName(line.name, section);
      inside_first = inside && where.section < 0;
      if (inside_first) where.section = where.section_last_line = index;
      continue;
    }
    if (inside_first && !TrimBlanks(line.text).empty()) where.section_last_line = index;
    if (inside && where.entry < 0 && line.kind == ProfileLine::Kind::Entry && SameName(line.name, key)) {
      where.entry = index;
    }
  }
  return where;
}

std::string DescribeFile(const std::string& file_name) { return "The configuration file \"" + file_name + "\""; }

// The lines as UTF-8, from the code page that the file names for itself:
// the key is found before, since INI syntax and key names are ASCII.
void DecodeLines(const std::string& file_name, ProfileFile& profile) {
  EntryLocation where = FindEntry(profile, "FILE", kCodePageKey);
  // A byte-order mark says UTF-8 whatever the key says; the key then holds
  // for the SQL files only.
  if (where.entry >= 0 && !profile.utf8_mark) profile.code_page = profile.lines[where.entry].value;
  try {
    TextDecoder decoder(profile.code_page);
    for (std::size_t i = 0; i < profile.lines.size() && profile.text_error.empty(); ++i) {
      std::string text;
      if (decoder.Decode(profile.lines[i].text, &text)) {
        profile.lines[i] = ParseLine(std::move(text));
      } else {
        profile.text_error = NotValidTextMessage(DescribeFile(file_name), static_cast<long>(i) + 1, decoder.Name());
      }
    }
  } catch (const PlatformError& error) {
    profile.text_error = DescribeFile(file_name) + " names a code page that cannot be used: " + error.what() + ".";
  }
  if (!profile.text_error.empty()) profile.lines.clear();
}

bool LoadProfile(const std::string& file_name, ProfileFile& profile) {
  std::ifstream in(file_name, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  std::string content = buffer.str();
  const ByteOrderMark mark = ByteOrderMarkOf(content);
  if (mark == ByteOrderMark::Utf16) {
    profile.text_error = Utf16TextMessage(DescribeFile(file_name));
    return true;
  }
  // Windows editors start a UTF-8 file with a mark; the first section
  // follows it.
  profile.utf8_mark = mark == ByteOrderMark::Utf8;
  if (profile.utf8_mark) content.erase(0, kUtf8MarkLength);
  if (content.find("\r\n") != std::string::npos) profile.line_break = "\r\n";
  profile.ends_with_break = content.empty() || content.back() == '\n';
  std::size_t start = 0;
  while (start < content.size()) {
    std::size_t end = content.find('\n', start);
    if (end == std::string::npos) end = content.size();
    std::string text = content.substr(start, end - start);
    if (!text.empty() && text.back() == '\r') text.pop_back();
    profile.lines.push_back(ParseLine(std::move(text)));
    start = end + 1;
  }
  DecodeLines(file_name, profile);
  return true;
}

std::string CutToCharacters(const std::string& text, std::size_t max_characters) {
  std::size_t characters = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    bool starts_character = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
    if (starts_character) {
      if (characters == max_characters) return text.substr(0, i);
      ++characters;
    }
  }
  return text;
}

std::string SanitiseValue(const std::string& value) {
  std::string clean = value.substr(0, value.find('\0'));
  for (char& c : clean) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return clean;
}

bool SaveProfile(const std::string& file_name, const ProfileFile& profile) {
  // Write beside the file and rename, so that a failed write never leaves
  // a half-written configuration behind.
  const std::string temporary = file_name + ".tmp-" + std::to_string(::getpid());
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    if (profile.utf8_mark) out << "\xEF\xBB\xBF";
    TextDecoder code_page(profile.code_page);
    for (std::size_t i = 0; i < profile.lines.size(); ++i) {
      std::string text;
      // A value that the file's code page cannot hold is not written at all.
      if (!code_page.Encode(profile.lines[i].text, &text)) {
        out.close();
        std::remove(temporary.c_str());
        return false;
      }
      out << text;
      if (i + 1 < profile.lines.size() || profile.ends_with_break) out << profile.line_break;
    }
    out.flush();
    if (!out) {
      std::remove(temporary.c_str());
      return false;
    }
  }
  // The file holds the database password: the new one keeps the old one's
  // permissions instead of the default ones.
  struct stat original;
  if (::stat(file_name.c_str(), &original) == 0) ::chmod(temporary.c_str(), original.st_mode & 07777);
  if (std::rename(temporary.c_str(), file_name.c_str()) != 0) {
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

// A run reads one key at a time, up to tens of thousands of them from one
// file (F1 to F_MAXNUM): the file is parsed again only when it has changed.
// Only the program's one thread reads the configuration.
struct CachedProfile {
  std::string file_name;
  struct stat signature {};
  ProfileFile profile;
  bool valid = false;
};

bool SameSignature(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
         a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

const ProfileFile* CachedLoad(const std::string& file_name) {
  static CachedProfile cache;
  struct stat signature;
  if (::stat(file_name.c_str(), &signature) != 0) return nullptr;
  if (cache.valid && cache.file_name == file_name && SameSignature(cache.signature, signature)) {
    return &cache.profile;
  }
  cache.valid = false;
  cache.profile = ProfileFile();
  if (!LoadProfile(file_name, cache.profile)) return nullptr;
  cache.file_name = file_name;
  cache.signature = signature;
  cache.valid = true;
  return &cache.profile;
}

}  // namespace

std::string ReadProfileString(const std::string& section, const std::string& key, const std::string& file_name) {
  const ProfileFile* loaded = file_name.empty() ? nullptr : CachedLoad(file_name);
  if (loaded == nullptr) return std::string();
  const ProfileFile& profile = *loaded;
  EntryLocation where = FindEntry(profile, section, key);
  if (where.entry < 0) return std::string();
  return CutToCharacters(profile.lines[where.entry].value, kMaxProfileValueLength);
}

std::string ProfileTextError(const std::string& file_name) {
  const ProfileFile* loaded = file_name.empty() ? nullptr : CachedLoad(file_name);
  return loaded == nullptr ? std::string() : loaded->text_error;
}

bool WriteProfileString(const std::string& section, const std::string& key, const std::string& value,
                        const std::string& file_name) {
  if (file_name.empty() || TrimBlanks(section).empty() || TrimBlanks(key).empty()) return false;
  ProfileFile profile;
  LoadProfile(file_name, profile);
  // A file whose text cannot be read is not rewritten either.
  if (!profile.text_error.empty()) return false;
  const std::string stored = "=" + QuoteValueIfNeeded(SanitiseValue(value));
  EntryLocation where = FindEntry(profile, section, key);
  if (where.entry >= 0) {
    ProfileLine& line = profile.lines[where.entry];
    line = ParseLine(line.name + stored);
  } else if (where.section >= 0) {
    profile.lines.insert(profile.lines.begin() + where.section_last_line + 1, ParseLine(TrimBlanks(key) + stored));
  } else {
    profile.ends_with_break = true;
    profile.lines.push_back(ParseLine("[" + TrimBlanks(section) + "]"));
    profile.lines.push_back(ParseLine(TrimBlanks(key) + stored));
  }
  return SaveProfile(file_name, profile);
}

}  // namespace tallyvane
