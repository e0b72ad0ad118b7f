// The postings of a book set as the screening tests read them, held in memory: the
// non-void postings in file order with their amounts, side, date, account and texts,
// the vouchers they form (in the one voucher order, checks::VoucherBefore) and the
// accounts (in the order of their codes) with their first-level accounts. Kept compact (a million
// postings take about 60 MB): amounts as 64-bit units, texts as ids, a voucher's postings as a
// range of one shared list. Built row by row by BookBuilder, from the database or a test.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "checks/values/amount.h"
#include "screening/population.h"
#include "screening/prefetch.h"

namespace qoru::screening {

using checks::Amount;

enum class PostingSide : unsigned char { kNone, kDebit, kCredit };

// A posting keeps its debit and credit as 64-bit units at a scale; an amount beyond 64
// bits (rare) is kept whole in the book, the units then its index in
// ScreenBook::wide_amounts and the scale kWideAmount. Read them through the book.
constexpr std::int8_t kWideAmount = -1;

struct ScreenPosting {
  std::int64_t row = 0;  // in the postings table, from 1
  std::int64_t debit_units = 0, credit_units = 0;
  int date = 0;               // yyyymmdd; 0 when unreadable
  int voucher = -1;           // index into ScreenBook::vouchers, -1 for none
  int account = -1;           // index into ScreenBook::accounts, -1 without an account column
  std::uint32_t summary = 0;  // text ids (ScreenBook::Text), 0 = empty
  std::uint32_t line = 0;
  std::uint32_t preparer = 0;  // name ids, trimmed; 0 = empty
  std::uint32_t approver = 0;
  PostingSide side = PostingSide::kNone;
  std::int8_t debit_scale = 0, credit_scale = 0;
};

struct ScreenVoucher {
  int year = 0, month = 0;
  int date = 0;                                  // of its first posting, yyyymmdd
  std::uint32_t type = 0;                        // text id, trimmed
  std::uint32_t number_at = 0, number_size = 0;  // in ScreenBook::voucher_numbers, trimmed
  std::uint32_t preparer = 0, approver = 0;
  // Its postings in file order: ScreenBook::voucher_postings[first, first + count).
  std::uint32_t first = 0, count = 0;
};

struct ScreenAccount {
  std::string code;      // trimmed; the least of its spellings ("1221A" of 1221a, 1221A)
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
  std::vector<ScreenVoucher> vouchers;  // in the voucher order
  std::vector<int> voucher_postings;    // the vouchers' postings, voucher by voucher
  std::vector<ScreenAccount> accounts;  // by code (compared as checks::AccountKey)
  std::vector<std::string> texts{""};   // summaries, lines, names and types by id
  std::string voucher_numbers;          // the vouchers' numbers, one after another
  std::vector<Amount> wide_amounts;     // the amounts beyond 64 bits
  // Every posting's amount at one scale (the largest), as a 64-bit integer: equal
  // values give equal integers and larger values larger ones. Empty when one does not
  // fit; the tests then compare the amounts themselves.
  std::vector<std::int64_t> scaled_amounts;
  int amount_scale = 0;
  Population population;  // the rows read, those left out, those tested
  TieOut tie_out;         // the tested postings against the balance table

  const std::string& Text(std::uint32_t id) const { return texts[id]; }
  const std::string& Type(const ScreenVoucher& v) const { return texts[v.type]; }
  std::string_view Number(const ScreenVoucher& v) const {
    return std::string_view(voucher_numbers).substr(v.number_at, v.number_size);
  }
  std::span<const int> Postings(const ScreenVoucher& v) const {
    return std::span<const int>(voucher_postings).subspan(v.first, v.count);
  }
  // Asks for the postings of voucher `v` (an index, which may be past the last) ahead of
  // a walk in the voucher order: they lie elsewhere in the file order.
  [[gnu::always_inline]] void PrefetchPostings(std::size_t v) const {
    if (v >= vouchers.size()) return;
    for (const int i : Postings(vouchers[v])) {
      const auto* p = reinterpret_cast<const char*>(&postings[static_cast<std::size_t>(i)]);
      PrefetchLine(p);
      PrefetchLine(p + sizeof(ScreenPosting) - 1);
    }
  }
  Amount Debit(const ScreenPosting& p) const { return Unpack(p.debit_units, p.debit_scale); }
  Amount Credit(const ScreenPosting& p) const { return Unpack(p.credit_units, p.credit_scale); }
  // The absolute value of the non-zero debit or credit (0 without a side).
  Amount AmountOf(const ScreenPosting& p) const;
  // Whether the debit or the credit is below zero.
  bool DebitNegative(const ScreenPosting& p) const;
  bool CreditNegative(const ScreenPosting& p) const;
  // Keeps `a` in a posting's form: the units and scale to store.
  void Pack(const Amount& a, std::int64_t* units, std::int8_t* scale);

 private:
  Amount Unpack(std::int64_t units, std::int8_t scale) const {
    return scale == kWideAmount ? wide_amounts[static_cast<std::size_t>(units)]
                                : Amount::FromUnits(units, scale);
  }
};

// How many vouchers ahead a walk in the voucher order asks for their postings
// (ScreenBook::PrefetchPostings).
constexpr std::size_t kPrefetchVouchers = 4;

// Compares two amounts by value.
int CompareAmounts(const Amount& a, const Amount& b);
Amount AbsoluteAmount(const Amount& a);
// The amount with trailing zeros of its fraction removed: equal values, equal forms.
Amount Normalized(const Amount& a);

// 10^n, for n from 0 to 18 (the largest power that fits 64 bits).
std::int64_t PowerOfTen(int n);

// The amount as the nearest binary floating-point number: a spreadsheet's number.
double AmountValue(const Amount& a);

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
