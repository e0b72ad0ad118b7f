// Hostile and broken book sets as cases of a table: what the data holds and what the run
// yields. None may crash, hang or damage the database; each ends with the database path
// or "0" and a message, as the run's rules say. The cases of the texts are in
// hostile_data_test.cpp, those of the descriptions, names and codes in
// hostile_names_test.cpp; this is what they share.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "test_support/bookset.h"
#include "test_support/db_fixture.h"

namespace qoru::hostile {

// The test support's names that every case uses.
using test::BookSet;
using test::QueryRows;
using test::Row;
using test::Rows;
using test::RunOutcome;
using test::Workspace;

// Two auxiliary types with an archive each; vouchers and balances in the usual columns
// (JZPZ: 科目编号, 摘要, 借方金额, 贷方金额, 币种, 作废标志, 辅助核算组).
test::BookSet BaseSet();

// A GBK table file of raw bytes: rows of tab-separated values, each ended by `eol`.
std::string RawRows(const std::vector<std::string>& rows, const std::string& eol = "\r\n");
std::string JoinTabs(const std::vector<std::string>& values);

// Whether an event of the run begins with `prefix` and holds `word`.
bool HasEventWith(const test::RunOutcome& o, const std::string& prefix, const std::string& word);

// Sections of a description, for the cases that write their own.
std::string Section(const std::string& name, const std::string& file,
                    const std::vector<std::string>& columns);
extern const std::string kChart;
extern const std::string kBalances;
extern const std::string kVouchers;
std::string TypeList(const std::vector<std::string>& types);

// One type T with archive file F; the chart's account 6602 carries T and the voucher
// and balance rows carry the code c1 for it.
void OneType(test::BookSet& set, const std::string& type, const std::string& file);

inline const std::string kZhe = "\xD5\xE2";  // a GBK character, spelt in bytes: 这

std::vector<std::string> Tables(const test::Workspace& ws);
bool HasTable(const test::Workspace& ws, const std::string& name);

struct HostileCase {
  const char* what;
  std::function<void(test::BookSet&)> change;       // the book set before it is written
  std::function<std::string()> gssm;                // a description of its own (UTF-8), or null
  std::function<void(const test::Workspace&)> raw;  // raw files written over the book set
  bool path;                                        // the run hands back the path, else "0"
  std::function<void(const test::Workspace&, const test::RunOutcome&)> check;  // what it yields
};

// Runs each case on a book set of its own: bounded in time, the result it says, a message
// for a failure, the database whole.
void RunCases(const std::vector<HostileCase>& cases);

}  // namespace qoru::hostile
