// The chart of accounts as the checks see it: the accounts of the rows that came from
// the chart file, by account code (trimmed, ASCII case ignored), with their balance
// side (a side word of the first row of the code), their parent and their children.
// With a code structure (4-2-2) the parent of a code is its prefix one level shorter
// when that is in the chart (a code whose length is no level's has none); without one
// it is the longest proper prefix of the code among the chart's codes. An account
// without children is a leaf. Each row whose direction is no side word is kept for the
// account-direction check.
//
// Parents that the chart completion added are no part of it. The completion appends
// its rows after the file's rows (name "系统生成", nothing but code, name and direction
// filled), taking them from its scratch tables tmpN; the rows at the end of the table
// that look so and whose code a scratch table holds are the completion's. This holds
// even when a kept database had the completion append its rows twice.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "checks/tables/book_database.h"
#include "checks/tables/column_roles.h"
#include "checks/values/book_words.h"

namespace qoru::checks {

struct Account {
  std::string code;          // trimmed, as the first row of the account writes it
  std::string key;           // AccountKey(code)
  Side side = Side::kOther;  // from the first row of the account
  std::int64_t row = 0;      // first row of the account in the chart table
  int parent = -1;           // index of its parent in the chart, or -1
  std::vector<int> children;
};

// A chart row whose direction is no side word.
struct UnreadableDirection {
  std::int64_t row = 0;
  std::string account;  // trimmed
  std::string value;    // as stored
};

class Chart {
 public:
  // The index of the account of `key` (an AccountKey), or -1.
  int Find(std::string_view key) const;
  const Account& operator[](int i) const { return accounts_[static_cast<std::size_t>(i)]; }
  int size() const { return static_cast<int>(accounts_.size()); }
  bool IsLeaf(int i) const { return (*this)[i].children.empty(); }

  std::int64_t file_rows() const { return file_rows_; }              // rows of the chart file
  std::int64_t completion_rows() const { return completion_rows_; }  // rows after them

  // The rows whose direction is unreadable, in row order (none without a direction column).
  const std::vector<UnreadableDirection>& unreadable() const { return unreadable_; }

  // Builds the chart from the table's account and direction columns (the direction may
  // be missing: every side is then kOther), linking by `structure` (the lengths of the
  // levels' segments) or, when it is empty, by the longest prefix.
  static Chart Load(BookDatabase& db, const TableRoles& table,
                    const std::vector<int>& structure = {});
  // The same from rows already read: code and direction per row of the chart file.
  static Chart FromRows(const std::vector<std::pair<std::string, std::string>>& rows,
                        const std::vector<int>& structure, bool has_direction);

 private:
  struct KeyHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  void Add(std::string_view code, std::string_view direction, std::int64_t row, bool has_direction);
  void Link(const std::vector<int>& structure);

  std::vector<Account> accounts_;  // in the order of their first rows
  std::unordered_map<std::string, int, KeyHash, std::equal_to<>> index_;
  std::vector<UnreadableDirection> unreadable_;
  std::int64_t file_rows_ = 0;
  std::int64_t completion_rows_ = 0;
};

}  // namespace qoru::checks
