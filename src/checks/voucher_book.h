// The vouchers of the postings, gathered as the postings stream by: a voucher is the
// postings of one (year and month of the date, type, number), type and number trimmed.
// Each keeps the sums of its non-void debits and credits, the row of its first
// posting and what tells a number used twice (several dates, a repeated line number); vouchers are
// listed in the order of their first postings.
//
// A million postings make a quarter of a million vouchers, so the book avoids a node
// per voucher and a cache miss per look-up where it can:
//   - the voucher of the previous posting is tried first (a voucher's postings usually
//     follow one another);
//   - vouchers numbered 1, 2, 3 ... are found by their number within their year, month
//     and type, in a vector that is read and grown in order;
//   - all others go to an open-addressing table of indexes.
// The vouchers sit in one vector, their texts in chunks that never move.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "checks/values/amount.h"

namespace qoru::checks {

// 112 bytes on a 64-bit machine, the widest members first: a million postings make a
// quarter of a million of them, each taken from memory the process has not touched before.
struct Voucher {
  Amount debit, credit;     // non-void postings only
  std::string_view type;    // trimmed; the book keeps the text
  std::string_view number;  // trimmed
  std::int64_t first_row = 0;
  std::uint64_t lines = 0;  // the line numbers 1 to 64 seen, bit n - 1 for n
  int year = 0;
  int month = 0;
  int day = 0;                 // of its first posting's date
  bool many_dates = false;     // its postings carry more than one date
  bool repeated_line = false;  // a line number repeats among its postings
};

class VoucherBook {
 public:
  // The voucher of a posting (added with its first posting at `row`).
  Voucher& Find(int year, int month, std::string_view type, std::string_view number,
                std::int64_t row);

  const std::vector<Voucher>& vouchers() const { return vouchers_; }

  // Makes room for `count` vouchers at once, so that the list is not copied as it
  // grows; the room that stays unused is never touched and takes no memory.
  void Reserve(std::size_t count) { vouchers_.reserve(count); }

  // Notes that a posting of `v` (found just now) carries the line number `line`
  // (trimmed; compared as an integer when it is digits; an empty one is not noted).
  void NoteLine(Voucher& v, std::string_view line);

 private:
  // The vouchers of one year, month and type whose numbers are written as plain
  // numbers ("7", never "007"), by number.
  struct Group {
    int year = 0;
    int month = 0;
    std::string_view type;
    std::vector<std::uint32_t> by_number;  // index + 1 of the voucher numbered n, or 0
    std::size_t count = 0;                 // vouchers in by_number
    bool overflowed = false;               // a number too far beyond the others went to the table
  };

  Group& GroupOf(int year, int month, std::string_view type);
  Voucher& Add(int year, int month, std::string_view type, std::string_view number,
               std::int64_t row);
  Voucher& FindInTable(int year, int month, std::string_view type, std::string_view number,
                       std::int64_t row);
  std::string_view Keep(std::string_view text);
  void Grow();

  std::vector<Voucher> vouchers_;
  std::vector<Group> groups_;
  std::unordered_map<std::string, std::size_t> group_index_;
  std::string group_key_;
  std::size_t last_group_ = SIZE_MAX;
  // Per slot the voucher's hash in the high 32 bits and its index + 1 in the low ones; 0
  // for an empty slot. Probing compares the hashes here and touches a voucher only when
  // they agree.
  std::vector<std::uint64_t> slots_;
  std::size_t in_table_ = 0;                     // vouchers in slots_
  std::vector<std::unique_ptr<char[]>> chunks_;  // the texts of the vouchers
  std::size_t chunk_size_ = 0;                   // bytes of the last chunk
  std::size_t chunk_used_ = 0;                   // of them in use
  std::size_t last_ = SIZE_MAX;                  // the voucher found last
  // The line numbers 65 to 99999 seen, a bit per number, of the vouchers that
  // have them (payroll and depreciation vouchers run to hundreds of lines); the bits of
  // the voucher noted last are kept at hand.
  std::unordered_map<std::size_t, std::vector<std::uint64_t>> long_lines_;
  std::size_t long_voucher_ = SIZE_MAX;
  std::vector<std::uint64_t>* long_bits_ = nullptr;
  // The line numbers beyond those (or not digits) seen, as "voucher index:line".
  std::unordered_map<std::string, bool> other_lines_;
  std::string line_key_;
};

}  // namespace qoru::checks
