// The postings of a book set as the screening tests read them, held in memory: the
// non-void postings in file order with their amounts, side, date, account and texts,
// the vouchers they form (ordered by date, type and number) and the accounts with their
// first-level accounts. Built row by row by BookBuilder, from the database or a test.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "checks/values/amount.h"

namespace qoru::screening {

using checks::Amount;

enum class PostingSide : unsigned char { kNone, kDebit, kCredit };

struct ScreenPosting {
  std::int64_t row = 0;  // in the postings table, from 1
  int date = 0;          // yyyymmdd; 0 when unreadable
  int voucher = -1;      // index into ScreenBook::vouchers, -1 for none
  int account = -1;      // index into ScreenBook::accounts, -1 without an account column
  PostingSide side = PostingSide::kNone;
  Amount debit, credit;
  std::uint32_t summary = 0;  // text ids (ScreenBook::Text), 0 = empty
  std::uint32_t line = 0;
  std::uint32_t preparer = 0;  // name ids, trimmed; 0 = empty
  std::uint32_t approver = 0;

  // The absolute value of the non-zero debit or credit (0 without a side).
  Amount amount() const;
};

struct ScreenVoucher {
  int year = 0, month = 0;
  std::string type, number;  // trimmed
  int date = 0;              // of its first posting, yyyymmdd
  std::uint32_t preparer = 0, approver = 0;
  std::vector<int> postings;  // indexes in file order
};

struct ScreenAccount {
  std::string code;      // as first written, trimmed
  std::string name;      // from the chart, or empty
  int first_level = -1;  // index of its first-level account
};

// Which posting columns the book set has.
struct ScreenColumns {
  bool date = false, type = false, number = false, line = false, account = false;
  bool debit = false, credit = false, summary = false, preparer = false, approver = false;
  bool poster = false;
  // Why a role has no column, by role word ("summary"); filled for the missing ones.
  std::unordered_map<std::string, std::string> missing;
  std::string Why(const std::string& role) const;
};

struct ScreenBook {
  std::string name;         // the book set
  std::string table;        // the postings table
  std::optional<int> year;  // the book-set year
  ScreenColumns columns;
  bool vouchers_known = false;          // date, type and number columns present
  std::vector<ScreenPosting> postings;  // non-void, file order
  std::vector<ScreenVoucher> vouchers;  // in voucher order
  std::vector<ScreenAccount> accounts;
  std::vector<std::string> texts{""};  // summaries, lines and names by id
  // Every posting's amount() at one scale (the largest), as a 64-bit integer: equal
  // values give equal integers and larger values larger ones. Empty when one does not
  // fit; the tests then compare the amounts themselves.
  std::vector<std::int64_t> scaled_amounts;
  int amount_scale = 0;

  const std::string& Text(std::uint32_t id) const { return texts[id]; }
};

// Compares two amounts by value.
int CompareAmounts(const Amount& a, const Amount& b);
Amount AbsoluteAmount(const Amount& a);
// The amount with trailing zeros of its fraction removed: equal values, equal forms.
Amount Normalized(const Amount& a);

// Fills `book.scaled_amounts` from the postings (left empty when an amount does not fit).
void ScaleAmounts(ScreenBook& book);

// Dates as yyyymmdd.
inline int DateYear(int d) {
  return d / 10000;
}
inline int DateMonth(int d) {
  return d / 100 % 100;
}
inline int DateDay(int d) {
  return d % 100;
}
std::string DateText(int d);  // "2023-01-31"

}  // namespace qoru::screening
