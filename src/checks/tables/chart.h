// The chart of accounts as the checks see it: the accounts of the rows that came from
// the chart file, by account code (trimmed, ASCII case ignored), with their balance
// side, the longest proper prefix of each code among the chart's codes (its parent)
// and the codes that have it as theirs (its children). An account without children is
// a leaf.
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

namespace qoru::checks {

enum class Side { kDebit, kCredit, kOther };  // "借", "贷", anything else

struct Account {
  std::string code;          // trimmed, as the first row of the account writes it
  std::string key;           // AccountKey(code)
  Side side = Side::kOther;  // from the first row of the account
  std::int64_t row = 0;      // first row of the account in the chart table
  int parent = -1;           // index of its longest proper prefix in the chart, or -1
  std::vector<int> children;
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

  // Builds the chart from the table's account and direction columns (the direction may
  // be missing: every side is then kOther).
  static Chart Load(BookDatabase& db, const TableRoles& table);

 private:
  struct KeyHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  void Add(std::string_view code, std::string_view direction, std::int64_t row);
  void Link();

  std::vector<Account> accounts_;  // in the order of their first rows
  std::unordered_map<std::string, int, KeyHash, std::equal_to<>> index_;
  std::int64_t file_rows_ = 0;
  std::int64_t completion_rows_ = 0;
};

}  // namespace qoru::checks
