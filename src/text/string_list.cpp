#include "text/string_list.h"

#include <fmt/format.h>

#include "errors/errors.h"

namespace qoru {
namespace {

bool NeedsQuotes(std::string_view item) {
  for (char c : item) {
    const auto u = static_cast<unsigned char>(c);
    if (u <= 32 || c == '"' || c == ',') return true;
  }
  return false;
}

}  // namespace

const std::string& StringList::operator[](std::size_t index) const {
  if (index >= items_.size()) throw ListIndexError(index, items_.size(), label_);
  return items_[index];
}

std::string& StringList::operator[](std::size_t index) {
  if (index >= items_.size()) throw ListIndexError(index, items_.size(), label_);
  return items_[index];
}

void StringList::Insert(std::size_t index, std::string item) {
  if (index > items_.size()) throw ListIndexError(index, items_.size(), label_);
  items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(index), std::move(item));
}

std::string StringList::CommaText() const {
  if (items_.size() == 1 && items_[0].empty()) return "\"\"";
  std::string out;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (i > 0) out.push_back(',');
    const std::string& item = items_[i];
    if (!NeedsQuotes(item)) {
      out += item;
      continue;
    }
    AppendDoubleQuoted(item, out);
  }
  return out;
}

void AppendDoubleQuoted(std::string_view text, std::string& out) {
  out.push_back('"');
  for (char c : text) {
    out.push_back(c);
    if (c == '"') out.push_back('"');
  }
  out.push_back('"');
}

void StringList::SetCommaText(std::string_view text) {
  items_.clear();
  if (text.empty()) return;
  std::size_t i = 0;
  while (true) {
    std::string item;
    if (i < text.size() && text[i] == '"') {
      ++i;
      while (i < text.size()) {
        if (text[i] == '"') {
          if (i + 1 < text.size() && text[i + 1] == '"') {
            item.push_back('"');
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        item.push_back(text[i++]);
      }
    }
    // Unquoted text, or anything that follows a closing quote, up to the next comma.
    while (i < text.size() && text[i] != ',') item.push_back(text[i++]);
    items_.push_back(std::move(item));
    if (i >= text.size()) break;
    ++i;  // the comma
  }
}

std::string_view EntryName(std::string_view entry) {
  const std::size_t eq = entry.find('=');
  return eq == std::string_view::npos ? entry : entry.substr(0, eq);
}

std::string_view EntryValue(std::string_view entry) {
  const std::size_t eq = entry.find('=');
  return eq == std::string_view::npos ? std::string_view() : entry.substr(eq + 1);
}

}  // namespace qoru
