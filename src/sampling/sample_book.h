// What sampling reads of a converted book set, held in memory: the postings that can be
// sampled (non-void, with a readable date in the book-set year when that year is known)
// in file order with the amount of one side, the vouchers they form in voucher order,
// their accounts, and the closing balances of the last month by account and aux value.
// Kept compact, as a million postings need: amounts as 64-bit units with the rare wider
// one kept aside, rowids as runs of consecutive ones, voucher types and numbers in
// shared texts, each voucher's postings a range of one list; a table of up to 2^32 − 1
// rows. Texts that only the listed items
// need (dates, summaries, line numbers, the other side) are read afterwards for those
// items alone (report/sample_listing.h).
#pragma once

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "checks/values/amount.h"

namespace qoru::sampling {

using checks::Amount;

enum class Side { kDebit, kCredit };

// The scale of a posting whose amount does not fit 64 bits: its units index
// SampleBook::wide_amounts.
constexpr std::int8_t kWideAmount = -1;

struct SamplePosting {
  std::int64_t units = 0;  // the side's amount as written (0 when empty or unreadable)
  std::uint32_t row = 0;   // its position in stored order, from 1 (its rowid: SampleBook::Rowid)
  int account = -1;        // index into SampleBook::accounts, -1 without an account column
  int voucher = -1;        // index into SampleBook::vouchers, -1 without voucher columns
  std::int8_t scale = 0;   // of `units`, or kWideAmount
};

struct SampleVoucher {
  int date = 0;                                  // of its first posting, yyyymmdd
  std::uint32_t type = 0;                        // index into SampleBook::types (trimmed)
  std::uint32_t number_at = 0, number_size = 0;  // in SampleBook::numbers (trimmed)
  std::int64_t first_row = 0;                    // its first posting's position
  std::uint32_t first = 0, count = 0;            // SampleBook::voucher_postings[first, +count)
};

// The rows from `first_row` on (to the next run) have the rowids row + `offset`.
struct RowidRun {
  std::uint32_t first_row = 0;
  std::int64_t offset = 0;
};

struct SampleAccount {
  std::string code;       // trimmed, as first written
  std::string key;        // checks::AccountKey(code)
  std::string name;       // from the chart, or empty
  std::string aux_types;  // the chart's 辅助核算项, trimmed ("往来单位", "部门/项目")
  // In SampleBook::chart: the key of its parent in the chart as the checks link it (by
  // the code structure; a parent the chart's completion added is none), empty for none.
  std::string parent_key;
};

// One account's (and aux value's) closing balance in the last month: the sum of its
// rows, each signed debit-positive by its direction column or the account's side.
struct BalanceEntry {
  int account = -1;  // index into SampleBook::accounts
  std::string aux;   // the trimmed aux group, empty for the account's total
  Amount balance;    // debit-positive
  std::int64_t first_row = 0;
  bool sign_known = true;  // every row had a direction or a debit or credit side
};

// The postings of the accounts sampled whose amount is not above 0: counted, not kept.
struct LeftOutPostings {
  std::int64_t zero = 0, negative = 0;
  Amount negative_total;
};

// Rows of the postings table left out before any account or side is looked at.
struct PostingCounts {
  std::int64_t rows = 0;
  std::int64_t void_rows = 0;
  std::int64_t no_date = 0;     // unreadable or missing date
  std::int64_t other_year = 0;  // dated outside the book-set year
};

struct SampleBook {
  std::string name;            // the book set, as the user named it
  std::string postings_table;  // empty when the book set has none
  std::string balances_table;
  std::optional<int> year;    // the book-set year
  bool has_account = false;   // the postings have an account column
  bool has_vouchers = false;  // ... and type and number columns
  std::vector<SamplePosting> postings;
  // The postings table's rowids by row, a run for each stretch of consecutive rowids
  // (one for a table that never lost a row), rather than a rowid in every posting.
  std::vector<RowidRun> rowid_runs;
  std::vector<SampleVoucher> vouchers;  // in voucher order
  std::vector<int> voucher_postings;    // the vouchers' postings, voucher by voucher
  std::vector<std::string> types;       // voucher types by id
  std::string numbers;                  // the vouchers' numbers, one after another
  std::vector<Amount> wide_amounts;     // the amounts beyond 64 bits
  std::vector<SampleAccount> accounts;
  PostingCounts counts;
  // When only the postings of a sample were kept (book_reader.h), those left out.
  std::optional<LeftOutPostings> left_out;
  std::optional<int> balance_month;    // the last month (none: the balances have no month)
  std::vector<BalanceEntry> balances;  // in the order of their first rows
  // The chart's accounts (its own rows, not those its completion added), by key.
  std::vector<SampleAccount> chart;

  Amount AmountOf(const SamplePosting& p) const {
    return p.scale == kWideAmount ? wide_amounts[static_cast<std::size_t>(p.units)]
                                  : Amount::FromUnits(p.units, p.scale);
  }
  std::int64_t Rowid(const SamplePosting& p) const {
    const auto run =
        std::upper_bound(rowid_runs.begin(), rowid_runs.end(), p.row,
                         [](std::uint32_t row, const RowidRun& r) { return row < r.first_row; });
    if (run == rowid_runs.begin()) return 0;
    return static_cast<std::int64_t>(std::uint64_t{p.row} +
                                     static_cast<std::uint64_t>(std::prev(run)->offset));
  }
  const std::string& Type(const SampleVoucher& v) const { return types[v.type]; }
  std::string_view Number(const SampleVoucher& v) const {
    return std::string_view(numbers).substr(v.number_at, v.number_size);
  }
  std::span<const int> Postings(const SampleVoucher& v) const {
    return std::span<const int>(voucher_postings).subspan(v.first, v.count);
  }
  // The chart's account of `key` (checks::AccountKey), or nullptr.
  const SampleAccount* ChartAccount(std::string_view key) const {
    const auto it =
        std::lower_bound(chart.begin(), chart.end(), key,
                         [](const SampleAccount& a, std::string_view k) { return a.key < k; });
    return it != chart.end() && it->key == key ? &*it : nullptr;
  }
  // The chart's parent of a chart account, or nullptr.
  const SampleAccount* Parent(const SampleAccount& a) const {
    return a.parent_key.empty() ? nullptr : ChartAccount(a.parent_key);
  }
  // Whether the account `key` is one of `keys` or, in the chart, lies under one of them
  // by its parents as the checks link them (an account the chart does not hold is under
  // none); without a chart, whether one of `keys` begins it.
  bool UnderAny(std::string_view key, const std::vector<std::string>& keys) const {
    if (chart.empty())
      return std::any_of(keys.begin(), keys.end(),
                         [&](const std::string& k) { return key.substr(0, k.size()) == k; });
    for (const SampleAccount* a = ChartAccount(key); a != nullptr; a = Parent(*a))
      if (std::find(keys.begin(), keys.end(), a->key) != keys.end()) return true;
    return false;
  }
};

}  // namespace qoru::sampling
