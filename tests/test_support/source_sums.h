// An independent reckoning of a book set's source text, for the tests of the screening's
// population and tie-out: the postings read straight from their file (GBK, one row a
// line, tab-separated, by the columns GSSM.txt lists) with amounts as exact integers of
// millionths, an unreadable amount as 0; and the balance rows' movements beside them.
// Nothing of the program's readers is used.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <utility>

#include <nlohmann/json.hpp>

namespace qoru::test {

using Micros = __int128;

struct SourceTally {
  std::uint64_t count = 0;
  Micros debit = 0, credit = 0;
};

struct SourceSums {
  SourceTally rows;       // every row of the postings file
  SourceTally void_rows;  // those whose void flag is 1
};

SourceSums SumPostings(const std::string& source);

// A decimal text of the JSON ("-12.3456") in millionths; the test fails for anything else.
Micros Decimal(const nlohmann::json& text);
double AsDouble(Micros m);

// The (account, month) pairs of the chart file's leaves (codes no other code of it
// begins with) whose non-void postings' debit or credit sum differs from the balance
// rows' movements (the account's rows without an aux group, else its aux rows), over
// the months that postings or balance rows have.
std::set<std::pair<std::string, int>> UntiedAccountMonths(const std::string& source);

// Removes the balance table from the book set: its section in GSSM.txt and its file.
void RemoveBalanceTable(const std::string& source);

}  // namespace qoru::test
