#include "ooxml/shared_strings.h"

#include <pugixml.hpp>

#include "platform/platform_error.h"
#include "ooxml/xml_text.h"

namespace tallyvane::ooxml {

SharedStrings::SharedStrings(std::string bytes, const std::string& file) : original_(std::move(bytes)) {
  slots_.assign(1 << 14, -1);
  if (original_.empty()) return;
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

int SharedStrings::Index(std::string_view text) {
  ++count_;
  std::size_t hash = std::hash<std::string_view>()(text);
  int found = Find(text, hash);
  if (found >= 0) return found;
  by_index_.clear();  // entries_ may move
  int index = unique_++;
  ++added_;
  Insert(std::string(text), index, hash);
  std::string encoded = EncodeCellText(text);
  appended_ += '<';
  appended_ += prefix_;
  appended_ += "si><";
  appended_ += prefix_;
  appended_ += NeedsSpacePreserve(text) ? "t xml:space=\"preserve\">" : "t>";
  AppendEscaped(appended_, encoded, false);
  appended_ += "</";
  appended_ += prefix_;
  appended_ += "t></";
  appended_ += prefix_;
  appended_ += "si>";
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
  slots_[i] = static_cast<std::int32_t>(entries_.size());
  entries_.push_back({std::move(text), index});
}

std::string SharedStrings::Serialize() const {
  std::string out;
  out.reserve(original_.size() + appended_.size() + 256);
  if (original_.empty()) {
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";
    out += "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
  } else {
    out.append(original_, 0, original_.find("<" + root_name_));
    out += "<" + root_name_ + root_attributes_;
  }
  out += " count=\"" + std::to_string(count_) + "\" uniqueCount=\"" + std::to_string(unique_) + "\">";
  if (!original_.empty()) out.append(original_, items_begin_, items_end_ - items_begin_);
  out += appended_;
  out += "</" + root_name_ + ">";
  return out;
}

}  // namespace tallyvane::ooxml
