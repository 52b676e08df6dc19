#include "ooxml/shared_strings.h"

#include <algorithm>
#include <pugixml.hpp>

#include "ooxml/xml_text.h"
#include "platform/platform_error.h"

namespace tallyvane::ooxml {

namespace {

// What a template's shared strings may cost: the parsed tree takes about
// a hundred bytes per element on top of the text, so millions of tiny
// strings in a part that inflates well within the package's limits would
// still take many gigabytes. Four million plain strings, or half a
// gigabyte of text, are far beyond any report template.
constexpr std::size_t kMaxMarkup = std::size_t{1} << 24;  // "<": tags and their ends
constexpr std::size_t kMaxBytes = std::size_t{512} << 20;

void CheckCost(const std::string& bytes, const std::string& file) {
  if (bytes.size() > kMaxBytes || static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '<')) > kMaxMarkup) {
    throw PlatformError("cannot open \"" + file + "\": the shared strings are too large (more than " +
                        std::to_string(kMaxBytes >> 20) + " MiB or " + std::to_string(kMaxMarkup / 4) +
                        " strings), which would exhaust memory");
  }
}

}  // namespace

SharedStrings::SharedStrings(std::string bytes, const std::string& file) : original_(std::move(bytes)) {
  slots_.assign(1 << 14, -1);
  if (original_.empty()) return;
  CheckCost(original_, file);
  pugi::xml_document doc;
  ParseXml(doc, original_, file, "xl/sharedStrings.xml");
  pugi::xml_node root = doc.document_element();
  root_name_ = root.name();
  size_t colon = root_name_.find(':');
  if (colon != std::string::npos) prefix_ = root_name_.substr(0, colon + 1);
  for (pugi::xml_attribute a : root.attributes()) {
    std::string_view n = a.name();
    if (n == "count") {
      count_ = a.as_llong();
      continue;
    }
    if (n == "uniqueCount") continue;
    root_attributes_ += ' ';
    root_attributes_ += a.name();
    root_attributes_ += "=\"";
    AppendEscaped(root_attributes_, a.value(), true);
    root_attributes_ += '"';
  }
  int i = 0;
  for (pugi::xml_node si : root.children()) {
    if (LocalName(si) != "si") continue;
    pugi::xml_node t = si.first_child();
    // Only plain items (one <t>) can be reused; rich text stays apart.
    bool listed = false;
    if (t && !t.next_sibling() && LocalName(t) == "t") {
      std::string_view text = t.text().get();
      std::size_t hash = std::hash<std::string_view>()(text);
      if (Find(text, hash) < 0) {
        Insert(std::string(text), i, hash);
        listed = true;
      }
    }
    if (!listed) {
      std::string text;
      ForEachElement(si, [&](pugi::xml_node n) {
        // Phonetic runs are not part of the cell's text.
        if (LocalName(n) == "rPh") return false;
        if (LocalName(n) == "t") text += n.text().get();
        return true;
      });
      unlisted_.emplace_back(i, std::move(text));
    }
    ++i;
  }
  unique_ = i;
  first_added_entry_ = entries_.size();
  // Locate the items in the original bytes: after the root start tag and
  // before the root end tag.
  size_t start = original_.find("<" + root_name_);
  size_t tag_end = start == std::string::npos ? std::string::npos : original_.find('>', start);
  if (tag_end == std::string::npos) throw PlatformError("cannot open \"" + file + "\": the shared strings are damaged");
  if (original_[tag_end - 1] == '/') {
    items_begin_ = items_end_ = tag_end + 1;
  } else {
    items_begin_ = tag_end + 1;
    items_end_ = original_.rfind("</" + root_name_);
    if (items_end_ == std::string::npos || items_end_ < items_begin_) {
      throw PlatformError("cannot open \"" + file + "\": the shared strings are damaged");
    }
  }
}

const std::string* SharedStrings::TextAt(int index) {
  if (by_index_.size() != static_cast<size_t>(unique_)) {
    by_index_.assign(static_cast<size_t>(unique_), nullptr);
    for (const Entry& e : entries_) by_index_[static_cast<size_t>(e.index)] = &e.text;
    for (const auto& [i, text] : unlisted_) by_index_[static_cast<size_t>(i)] = &text;
  }
  return index >= 0 && index < unique_ ? by_index_[static_cast<size_t>(index)] : nullptr;
}

// All or nothing: memory can run out anywhere in here, and a half-added
// text would leave the table out of step with the part.
int SharedStrings::Index(std::string_view text) {
  std::size_t hash = std::hash<std::string_view>()(text);
  int found = Find(text, hash);
  if (found >= 0) {
    ++count_;
    return found;
  }
  const int index = unique_;
  by_index_.clear();  // entries_ may move
  Insert(std::string(text), index, hash);
  ++unique_;
  ++added_;
  ++count_;
  return index;
}

int SharedStrings::Find(std::string_view text, std::size_t hash) const {
  std::size_t mask = slots_.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    std::int32_t slot = slots_[i];
    if (slot < 0) return -1;
    const Entry& e = entries_[static_cast<std::size_t>(slot)];
    if (e.text == text) return e.index;
  }
}

void SharedStrings::Insert(std::string text, int index, std::size_t hash) {
  if ((entries_.size() + 1) * 2 > slots_.size()) {
    // Keep the table at most half full; rebuild it twice as large.
    std::vector<std::int32_t> grown(slots_.size() * 2, -1);
    std::size_t mask = grown.size() - 1;
    for (std::size_t k = 0; k < entries_.size(); ++k) {
      std::size_t i = std::hash<std::string_view>()(entries_[k].text) & mask;
      while (grown[i] >= 0) i = (i + 1) & mask;
      grown[i] = static_cast<std::int32_t>(k);
    }
    slots_.swap(grown);
  }
  std::size_t mask = slots_.size() - 1;
  std::size_t i = hash & mask;
  while (slots_[i] >= 0) i = (i + 1) & mask;
  // The entry before the slot that leads to it, in case the push fails.
  entries_.push_back({std::move(text), index});
  slots_[i] = static_cast<std::int32_t>(entries_.size() - 1);
}

namespace {

// Pieces of about this size keep the memory of a save flat.
constexpr std::size_t kPieceBytes = 1 << 20;

void AppendItem(std::string& out, const std::string& prefix, std::string_view text) {
  out += '<';
  out += prefix;
  out += "si><";
  out += prefix;
  out += NeedsSpacePreserve(text) ? "t xml:space=\"preserve\">" : "t>";
  AppendEscaped(out, EncodeCellText(text), false);
  out += "</";
  out += prefix;
  out += "t></";
  out += prefix;
  out += "si>";
}

}  // namespace

bool SharedStrings::SerializePiece(Cursor* cursor, std::string& out) const {
  switch (cursor->phase) {
    case 0:
      if (original_.empty()) {
        out += "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";
        out += "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
      } else {
        out.append(original_, 0, original_.find("<" + root_name_));
        out += "<" + root_name_ + root_attributes_;
      }
      out += " count=\"" + std::to_string(count_) + "\" uniqueCount=\"" + std::to_string(unique_) + "\">";
      cursor->phase = 1;
      cursor->at = items_begin_;
      return true;
    case 1: {
      // The original items as they were read, byte for byte.
      const std::size_t take = std::min(kPieceBytes, items_end_ - cursor->at);
      out.append(original_, cursor->at, take);
      cursor->at += take;
      if (cursor->at == items_end_) {
        cursor->phase = 2;
        cursor->at = first_added_entry_;
      }
      return true;
    }
    case 2: {
      const std::size_t start = out.size();
      while (cursor->at < entries_.size() && out.size() - start < kPieceBytes) {
        AppendItem(out, prefix_, entries_[cursor->at++].text);
      }
      if (cursor->at == entries_.size()) cursor->phase = 3;
      return true;
    }
    case 3:
      out += "</" + root_name_ + ">";
      cursor->phase = 4;
      return true;
    default: return false;
  }
}

long long SharedStrings::SizeBound() const {
  // Encoding and escaping make a text at most seven times longer ("_x0001_").
  long long bound = static_cast<long long>(original_.size()) + 512;
  for (std::size_t i = first_added_entry_; i < entries_.size(); ++i) {
    bound += 7 * static_cast<long long>(entries_[i].text.size()) + 64;
  }
  return bound;
}

}  // namespace tallyvane::ooxml
