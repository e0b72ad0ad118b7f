// Book sets for end-to-end tests: a source directory written from UTF-8 rows (stored
// as GBK, tab-separated, CR LF), a prepared work area, a DoIt call with a scripted
// headless face, and reads of the resulting database as UTF-8 rows.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "faces/headless_face.h"
#include "test_support/temp_dir.h"

namespace qoru::test {

using Row = std::vector<std::string>;
using Rows = std::vector<Row>;

struct TableSection {
  std::string section;               // "会计科目", "记账凭证", a type name ...
  std::string file;                  // "KJKM.txt"
  std::vector<std::string> columns;  // column names
};

// The usual layout: KJKM(科目编号,科目名称,余额方向,辅助核算项),
// KMYE(科目编号,币种,期初余额,辅助核算组),
// JZPZ(科目编号,摘要,借方金额,贷方金额,币种,作废标志,辅助核算组), and one archive section
// per type (type编号, type名称) with the given file.
struct BookSet {
  std::vector<std::string> aux_types;                         // 辅助核算项档案 entries
  std::vector<std::pair<std::string, std::string>> archives;  // type -> file, in order
  Rows kjkm, kmye, jzpz;
  std::map<std::string, Rows> archive_rows;  // file -> rows

  std::string Gssm() const;  // UTF-8 lines of GSSM.txt joined with "\n"
};

// Two auxiliary types, A and B, with one archive each (ADA.txt, BDA.txt), and a chart of
// 1001 (no types), 6602 (A/B) and 1122 (B); no balances, no postings.
BookSet TwoTypeSet();

class Workspace {
 public:
  Workspace();  // work/ with DataBase/empty.mdb and TemplateTemp/, src/ empty
  const std::string& work() const { return work_; }
  std::string source() const { return source_; }
  std::string db() const { return work_ + "TemplateTemp/GBA.mdb"; }

  void WriteBookSet(const BookSet& set) const;
  // Writes a GBK table file from UTF-8 rows (tab-separated, CR LF).
  void WriteTable(const std::string& name, const Rows& rows) const;
  // Writes a source file from UTF-8 text (converted to GBK as it stands).
  void WriteSource(const std::string& name, const std::string& utf8) const;

 private:
  TempDir tmp_;
  std::string work_;
  std::string source_;
};

struct RunOutcome {
  std::u16string result;
  std::vector<std::string> errors;  // error box messages
  std::vector<std::string> events;  // recorded face events
};

// Calls DoIt in this process with a headless face following `script`.
RunOutcome RunDoIt(const std::string& work, const std::string& source,
                   HeadlessFace::Script script = {});

// Rows of a query on a database file, UTF-8, "NULL" for null values.
Rows QueryRows(const std::string& db_path, const std::string& sql);
// Names of the tables of a database file, sorted.
std::vector<std::string> TablesOf(const std::string& db_path);

std::string Utf8(const std::u16string& text);

}  // namespace qoru::test
