// The population of a screening run, for the auditor who must show that the entries
// tested are all of them: every row of the postings table with its debit and credit
// totals, those left out and why, the postings and vouchers tested; and the tie-out of
// the tested postings to the balance table, account by account and month by month, as
// the check vouchers-vs-balances compares them (checks/account_checks.h). Amounts are
// exact decimals read as the checks read them (an unreadable amount counts as 0).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "checks/values/amount.h"

namespace qoru::checks {
class BookDatabase;
class Chart;
struct BookTables;
}  // namespace qoru::checks

namespace qoru::screening {

struct ScreenBook;

// A count of postings with their debit and credit totals.
struct Tally {
  std::uint64_t count = 0;
  checks::Amount debit, credit;
  void Add(const checks::Amount& d, const checks::Amount& c) {
    ++count;
    debit += d;
    credit += c;
  }
};

struct Population {
  bool counted = false;  // the rows were counted (a book built row by row is)
  Tally rows;            // every row of the postings table
  Tally void_rows;       // left out of every test: void
  Tally tested;          // the postings the tests read: the rows less the void ones
  // Of the tested: those some tests cannot read.
  Tally undated;       // the date cannot be read: in no voucher, so in no voucher test
  Tally no_amount;     // neither debit nor credit: no amount for the amount tests
  Tally outside_year;  // dated outside the book-set year (tested all the same)
  std::uint64_t vouchers = 0;
};

// One account and period whose postings and balance movements differ.
struct TieOutDifference {
  std::string account, name;
  int month = 0;  // 0: the year (balances without a month)
  checks::Amount postings_debit, postings_credit, balance_debit, balance_credit;
  bool balance_row = false;  // the balance table has the account in the period
};

struct TieOut {
  bool done = false;
  std::string why_not;  // when not done: 无余额表, a missing column ...
  std::string balances_table;
  bool by_month = false;
  Tally tied;      // tested postings summed into the comparison
  Tally off_leaf;  // tested postings on an account that is no leaf of the chart
  Tally undated;   // tested postings whose date cannot be read, balances by month
  // Leaf accounts with postings or balance rows: all periods equal, or some differ.
  std::uint64_t accounts_agree = 0, accounts_differ = 0;
  std::uint64_t comparisons = 0;              // accounts by periods compared
  std::vector<TieOutDifference> differences;  // by account, then period
};

// Counts the tested postings of the book (its void rows counted as it was built), from
// their amounts, dates and sides alone; the vouchers are counted by the caller.
void CountTested(ScreenBook& book);

// Ties the book's tested postings out to the balance table of `tables`, by `chart`
// (loaded by the caller, `chart_known` when the chart table has an account column),
// naming accounts from `names` (account key -> name). Sets book.tie_out; raises
// db::EngineError when the balances cannot be read.
void TieOutToBalances(checks::BookDatabase& db, const checks::BookTables& tables,
                      const checks::Chart& chart, bool chart_known,
                      const std::vector<std::pair<std::string, std::string>>& names,
                      ScreenBook& book);

// The population and the tie-out as JSON, and in a few lines of the text report.
nlohmann::ordered_json PopulationJson(const ScreenBook& book);
nlohmann::ordered_json TieOutJson(const ScreenBook& book);
std::string PopulationText(const ScreenBook& book);

// How the tie-out stands in a few words: "未核对（无余额表）", "科目 12 个相符，1 个不符".
std::string TieOutWords(const TieOut& t);

}  // namespace qoru::screening
