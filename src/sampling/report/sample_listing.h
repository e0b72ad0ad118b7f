// The selected items as they are listed in the report, the JSON and the workpaper, with
// what an auditor needs to find each one: for a posting its voucher (date, type,
// number), line, account and name, summary, debit and credit; for a voucher the same of
// each of its postings beneath it; for a balance the account and name, the aux types,
// codes and names, the balance and its direction. The texts the book does not hold are
// read for the listed postings alone, by their rowids.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "checks/tables/book_database.h"
#include "checks/tables/book_tables.h"
#include "sampling/sample_run.h"

namespace qoru::sampling {

struct ListedPosting {
  std::int64_t row = 0;  // in the postings table, from 1
  int date = 0;
  std::string type, number, line, account, account_name, summary;
  Amount debit, credit;
  bool counted = true;  // of the population's accounts (a voucher's others are listed too)
};

struct ListedItem {
  std::size_t index = 0;  // 1, 2, ... in the listing
  std::size_t item = 0;   // index into the population's items
  std::uint64_t hits = 1;
  bool top = false;
  Amount amount;                        // the item's amount (book value)
  std::vector<ListedPosting> postings;  // a posting: itself; a voucher: all of its postings
  // A voucher's own fields (date, type, number) are those of its postings.
  int date = 0;
  std::string type, number;
  // A balance.
  std::string account, account_name, aux_types, aux_code, aux_name;
  Amount balance;  // debit-positive
};

// Lists the sample's selected items in order, reading the postings' texts from `db`.
std::vector<ListedItem> ListSample(checks::BookDatabase& db, const checks::BookTables& tables,
                                   const SampleBook& book, const Sample& sample);

// "借", "贷" or "平" for a debit-positive balance.
const char* DirectionWord(const Amount& balance);

}  // namespace qoru::sampling
