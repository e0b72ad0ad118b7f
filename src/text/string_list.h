// An ordered, unsorted list of GBK texts that accepts duplicates, with the
// "name=value" reading of its entries and its comma text.
//
// Comma text: the items joined by ","; an item holding a character of code 0 to 32,
// a double quote or a comma is enclosed in double quotes with inner double quotes
// doubled; a list of one empty item gives two double quotes; an empty list gives
// the empty text. SetCommaText reads such a text back into exactly those items.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qoru {

class StringList {
 public:
  StringList() = default;
  StringList(std::initializer_list<std::string> items) : items_(items) {}

  std::size_t Count() const { return items_.size(); }
  bool Empty() const { return items_.empty(); }
  // The item at `index`; an index outside the list raises ListIndexError.
  const std::string& operator[](std::size_t index) const;
  std::string& operator[](std::size_t index);
  void Add(std::string item) { items_.push_back(std::move(item)); }
  void Insert(std::size_t index, std::string item);
  void Clear() { items_.clear(); }

  std::string CommaText() const;
  void SetCommaText(std::string_view text);

  const std::vector<std::string>& items() const { return items_; }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

  // A name for the list in failure messages ("list index 3 out of bounds in ...").
  void set_label(std::string label) { label_ = std::move(label); }

 private:
  std::vector<std::string> items_;
  std::string label_;
};

// Appends `text` enclosed in double quotes, inner double quotes doubled.
void AppendDoubleQuoted(std::string_view text, std::string& out);

// Name and value of an entry "name=value", split at its first "="; without "=" the
// whole entry is the name and the value is empty.
std::string_view EntryName(std::string_view entry);
std::string_view EntryValue(std::string_view entry);

}  // namespace qoru
