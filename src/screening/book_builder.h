// Builds a ScreenBook one posting row at a time: reads the amounts, the date and the
// void flag as the checks read them, trims the texts, keeps the non-void postings,
// gathers the vouchers, and at the end orders the vouchers and finds the first-level
// account of every account.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "checks/values/calendar_date.h"
#include "screening/screen_book.h"
#include "screening/voucher_slots.h"

namespace qoru::screening {

// One posting row as text (a missing column reads as empty).
struct PostingRow {
  std::int64_t row = 0;
  std::string_view date, type, number, line, account, debit, credit, void_flag;
  std::string_view summary, preparer, approver;
};

// A posting row with what can be read from it alone: its amounts, void flag and date,
// and the hashes of the texts the builder looks up. Prepared on the threads that read
// the rows (BookBuilder::Prepare), so that the building thread does only what depends
// on the rows before.
struct PreparedRow {
  PostingRow text;  // the row as read (its number is given to BookBuilder::Add)
  std::string_view type_trimmed, number_trimmed;
  Amount debit, credit;
  std::optional<checks::CalendarDate> date;
  int day_number = 0;  // yyyymmdd of the date, 0 without one
  bool void_row = false;
  std::size_t account_hash = 0;  // of the account as written
  // Of the summary as written, and of the voucher's key (with a date and the voucher
  // columns): found unless the row before in the batch makes them unneeded.
  std::size_t summary_hash = 0;
  std::uint64_t voucher_hash = 0;
  bool summary_hashed = false, voucher_hashed = false;
};

// The chart as screening uses it: codes (trimmed) with names, and the code structure.
struct ChartAccounts {
  std::vector<std::pair<std::string, std::string>> accounts;  // code, name
  std::vector<int> structure;                                 // segment lengths; empty: none
};

class BookBuilder {
 public:
  BookBuilder(ScreenColumns columns, ChartAccounts chart);
  // Room for `rows` postings and their vouchers, so that nothing is copied as it grows.
  void Reserve(std::size_t rows) {
    book_.postings.reserve(rows);
    book_.vouchers.reserve(rows / 4);
    voucher_slots_.Reserve(rows / 4);  // a voucher holds a few postings
  }
  void Add(const PostingRow& row);
  // The work on a row that needs no row other than `before`: the kept (not void) row
  // prepared just before it, of the same batch, or null. Any thread may call it while
  // the building goes on (it reads only which columns the book has); `key` is room for
  // the voucher's key.
  void Prepare(const PostingRow& row, const PreparedRow* before, PreparedRow& out,
               std::string& key) const;
  // Adds row number `row`, prepared.
  void Add(std::int64_t row, const PreparedRow& prepared);
  // Readies the memory that adding `prepared` will look up (called some rows ahead).
  [[gnu::always_inline]] void Prefetch(const PreparedRow& prepared) const {
    if (prepared.voucher_hashed) voucher_slots_.Prefetch(prepared.voucher_hash);
  }
  // The book. The amounts are scaled, the population counted, and `beside` (when given)
  // called, on a thread of their own while the vouchers are put in order: `beside` may
  // read the postings' amounts, dates, sides and accounts and the accounts, which no
  // longer change, and write the book's tie-out; what it raises is raised here.
  ScreenBook Finish(std::string name, std::string table, std::optional<int> year,
                    const std::function<void(ScreenBook&)>& beside = {});

 private:
  int AccountOf(std::string_view code, std::size_t hash);
  std::uint32_t TextId(std::string_view text);
  std::uint32_t TextId(std::string_view text, std::size_t hash);
  std::uint32_t NameId(std::string_view text);
  std::uint32_t LineId(std::string_view text);

  ScreenBook book_;
  ChartAccounts chart_;
  // Hash maps looked up by string_view, without a copy of the key, or by a text with its
  // hash found beforehand.
  struct HashedText {
    std::string_view text;
    std::size_t hash;
    friend bool operator==(const HashedText& a, std::string_view b) { return a.text == b; }
  };
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    std::size_t operator()(const HashedText& t) const { return t.hash; }
  };
  template <typename V>
  using TextMap = std::unordered_map<std::string, V, Hash, std::equal_to<>>;
  // The id of a text, remembered for the next row (a voucher's rows repeat their texts).
  struct LastText {
    std::string text;
    std::uint32_t id = 0;
    bool valid = false;
  };
  std::uint32_t CachedId(LastText& last, std::string_view text, bool trim);
  // As CachedId with the text's hash, when it was found beforehand (else null).
  std::uint32_t CachedId(LastText& last, std::string_view text, const std::size_t* hash);
  static std::uint64_t VoucherHash(const checks::CalendarDate& date, std::string_view type,
                                   std::string_view number, std::string& key);

  TextMap<int> chart_index_;    // account key -> chart row
  TextMap<int> account_index_;  // account key -> accounts
  TextMap<int> raw_accounts_;   // account as written -> accounts
  TextMap<std::uint32_t> names_;
  VoucherSlots voucher_slots_;
  std::string key_;
  LastText summary_, line_, preparer_, approver_;
  std::vector<std::uint32_t> small_lines_;  // text id by line number, 0 until seen
  std::string last_type_, last_number_;
  int last_voucher_ = -1;
  int last_voucher_day_ = 0;  // the date of the row that found last_voucher_
};

}  // namespace qoru::screening
