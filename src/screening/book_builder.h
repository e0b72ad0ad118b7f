// Builds a ScreenBook one posting row at a time: reads the amounts, the date and the
// void flag as the checks read them, trims the texts, keeps the non-void postings,
// gathers the vouchers, and at the end orders the vouchers and finds the first-level
// account of every account.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "screening/screen_book.h"

namespace qoru::screening {

// One posting row as text (a missing column reads as empty).
struct PostingRow {
  std::int64_t row = 0;
  std::string_view date, type, number, line, account, debit, credit, void_flag;
  std::string_view summary, preparer, approver, poster;
};

// The chart as screening uses it: codes (trimmed) with names, and the code structure.
struct ChartAccounts {
  std::vector<std::pair<std::string, std::string>> accounts;  // code, name
  std::vector<int> structure;                                 // segment lengths; empty: none
};

class BookBuilder {
 public:
  BookBuilder(ScreenColumns columns, ChartAccounts chart);
  void Add(const PostingRow& row);
  ScreenBook Finish(std::string name, std::string table, std::optional<int> year);

 private:
  int AccountOf(std::string_view code);
  std::uint32_t TextId(std::string_view text);
  std::uint32_t NameId(std::string_view text);

  ScreenBook book_;
  ChartAccounts chart_;
  std::unordered_map<std::string, int> chart_index_;    // account key -> chart row
  std::unordered_map<std::string, int> account_index_;  // account key -> accounts
  std::unordered_map<std::string, std::uint32_t> names_;
  std::unordered_map<std::string, int> voucher_index_;
  std::string key_;
};

}  // namespace qoru::screening
