// Book sets that hold together, for the checks: an opening trial balance over the leaf
// accounts, balanced vouchers numbered without gaps per month and type, balance rows
// that follow from the openings and the vouchers, and parents equal to the sum of
// their children. Void vouchers (some of them unbalanced) keep their numbers and count
// nowhere. Some parents are left out of the chart file, as ERPs export them; the chart
// completion adds them back, and the balances have no rows for them.
//
// A plant puts in one fault of a check's kind, at a place the summary names:
//   voucher-balance       a debit of one voucher written 0.01 too high
//   voucher-numbering     the second number of one month and type skipped
//   balance-roll-forward  the closing of an auxiliary detail row written 0.01 too high
//   vouchers-vs-balances  one posting written on another leaf account
//   parent-sum            a top-level parent's debit and closing 1.00 off its children's
//   trial-balance         the opening of one leaf 100.00 too high (its parents follow)
//   unknown-account       a voucher of two postings and a balance row on account 9999
//   non-leaf-posting      a voucher of two postings on a parent account
//   date-out-of-year      the first voucher dated on the last day of the previous year
//   bad-value             the zero side of one posting written "零"
//   aux-vs-total          an auxiliary row's debit 1.00 too high, its closing following
//                         (a total row beside it keeps the account's figures)
//   account-direction     one leaf's 余额方向 written "?" (it leaves the trial balance)
//   balance-continuity    (by month) a leaf's June opening and closing 1.00 too high
//   duplicate-number      a voucher's number used again on another day of its month
//   bad-month             (by month) one balance row's 会计月度 written "13"
//   bad-direction         (direction columns) one balance row's 期末余额方向 written "X"
// Plants for journal-entry testing (qoru-gbtxt screen), vouchers of their own type 调
// (numbered like the others, in date order) that keep the book set consistent:
//   weekend-holiday       a voucher on a public holiday and one on a Sunday, and one on
//                         an adjusted working Saturday (调休上班) that is NOT a rest day
//   round-amount          a voucher of 50,000.00
//   benford               a spike of debits whose first two digits are 47
//   approval              (standard layouts) a voucher its preparer approved, and an
//                         unapproved one
//   rare-preparer         a voucher by a preparer of no other voucher
//   keyword               a voucher whose summary says 冲回暂估 and ADJ
//   rare-pair             a voucher on a leaf that no other voucher uses (so also
//   seldom-used-account   a seldom-used account)
//   duplicate-entry       the same account, side and amount in two vouchers two days apart
//   reversal              a voucher and the voucher that reverses it the next day
//   negative-amount       a voucher of red (negative) amounts
//   blank-summary         a voucher without a summary
// Each plant brings only the findings that follow from it by the checks' definitions
// (the debit written too high also makes its account differ from the balances).
//
// Layouts (--layout):
//   classic     the layout below, one balance row per account and department;
//   standard    as a national-standard export: DZZB.txt (年度 本位币 科目结构 "4-2-2"),
//               KMYE.txt by month (会计年度 会计月度 "01".."12" 科目编号 币种 期初余额
//               借方发生额 贷方发生额 期末余额 辅助核算组), amounts signed against the
//               account's side, postings with 凭证种类 凭证编号 行号 and dates yyyymmdd;
//               some auxiliary accounts have auxiliary rows only, the others a total
//               row and auxiliary rows;
//   directions  the standard layout with unsigned balances and the columns 期初余额方向
//               and 期末余额方向 (a side word, 平 for zero).
// The side words of the chart (and of the direction columns) are 借/贷, 借方/贷方 or
// DR/CR. Numbering starts at 1 each month per type, or runs on through the year.
//
// Realistic books (--realistic), for benchmarks that should look like users' data: most
// vouchers of 2 to 4 postings and a long tail up to 300 (payroll, depreciation: many
// debits against one credit); about one posting in seven on a weekend or public holiday;
// amounts whose first two digits follow Benford's law, three in ten of them taken
// instead from prices of 100 to 3,000 yuan, as sales and purchases of goods make them.
//
// Layout: GSSM.txt; KJKM.txt (科目编号 科目名称 余额方向 辅助核算项); KMYE.txt (会计年度
// 科目编号 币种 期初余额 借方发生额 贷方发生额 期末余额 辅助核算组); JZPZ.txt (凭证日期 凭证字
// 凭证号 摘要 科目编号 币种 借方金额 贷方金额 作废标志 辅助核算组 制单人); BMDA.txt, the
// archive of the auxiliary type 部门. Deterministic for a seed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qoru::gen {

struct ConsistentOptions {
  std::uint64_t seed = 1;
  int postings = 2000;    // about this many postings: whole vouchers of 2 to 5
  int top_accounts = 16;  // 4-digit accounts, 2 to 20
  int depth = 3;          // levels of the chart, 1 to 4 (codes of 4 to 10 digits)
  int max_children = 3;   // most sub-accounts under one account
  int year = 2026;
  int months = 12;                  // vouchers fall in months 1 to `months`
  bool omit_parents = true;         // leave some parents of 6 digits and more out of the chart
  bool exact_amounts = false;       // add vouchers with eighteen-digit, negative and
                                    // four-decimal amounts and sums like 0.10 + 0.20
  std::vector<std::string> plants;  // check ids
  std::string layout = "classic";   // classic, standard or directions
  std::string direction_words = "借/贷";  // 借/贷, 借方/贷方 or DR/CR
  bool yearly_numbering = false;          // numbers run on through the year per type
  bool realistic = false;                 // vouchers, dates and amounts shaped as users' books are
                           // (consistent_realism.cpp); off, the output is as it always was
};

// The layouts and side words a book set may take.
const std::vector<std::string>& LayoutNames();
const std::vector<std::string>& DirectionWordNames();

struct PlantedFault {
  std::string kind;  // the check id
  std::string file;  // "JZPZ.txt"
  std::size_t row;   // row of the file, from 1
  std::string what;  // what was changed, in Chinese
};

struct ConsistentSummary {
  std::size_t accounts = 0;  // rows of KJKM.txt
  std::size_t omitted_parents = 0;
  std::size_t vouchers = 0;
  std::size_t postings = 0;  // rows of JZPZ.txt
  std::size_t balances = 0;  // rows of KMYE.txt
  std::vector<PlantedFault> planted;
};

// The kinds a plant may name; PlantNeedsMonths(kind) for those only the standard and
// directions layouts can take (bad-direction: directions only).
const std::vector<std::string>& PlantKinds();
bool PlantNeedsMonths(const std::string& kind);

// The plants of journal-entry testing (test ids of qoru-gbtxt screen).
const std::vector<std::string>& ScreeningPlantKinds();

// Writes the book set into the existing directory `dir`. Raises std::invalid_argument
// for an option out of range or a plant of unknown kind, std::runtime_error when a plant
// finds no place in a book set this small or a file cannot be written.
ConsistentSummary WriteConsistentBooks(const std::string& dir, const ConsistentOptions& options);

}  // namespace qoru::gen
