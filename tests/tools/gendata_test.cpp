// Tests of the data set generator: file format, consistency of the generated books and
// the committed sample.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "gendata/dataset.h"
#include "test_support/temp_dir.h"
#include "text/gbk_codec.h"

#ifndef QORU_SOURCE_DIR
#define QORU_SOURCE_DIR "."
#endif

namespace qoru::gen {
namespace {

namespace fs = std::filesystem;

using test::TempDir;

// The UTF-8 lines of a GBK file whose lines all end in CR LF.
std::vector<std::string> Lines(const std::string& path) {
  const std::string text = GbkToUtf8(test::ReadFile(path));
  std::vector<std::string> lines;
  for (std::size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos;
       start = end + 2)
    lines.push_back(text.substr(start, end - start));
  return lines;
}

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::int64_t Cents(const std::string& amount) {
  const bool negative = !amount.empty() && amount[0] == '-';
  std::int64_t cents = 0;
  for (char c : amount)
    if (c >= '0' && c <= '9') cents = cents * 10 + (c - '0');
  return negative ? -cents : cents;
}

// A data set read back: the description, the chart and the table rows, split at TAB.
struct ReadBack {
  std::vector<std::string> headers;                                   // section headers in order
  std::map<std::string, std::vector<std::string>> columns;            // file -> column names
  std::vector<std::string> types;                                     // auxiliary item types
  std::map<std::string, std::string> type_files;                      // type -> archive file
  std::map<std::string, std::vector<std::string>> chart;              // code -> its chart row
  std::map<std::string, std::vector<std::vector<std::string>>> rows;  // file -> rows

  explicit ReadBack(const std::string& dir) {
    const std::vector<std::string> desc = Lines(dir + "/GSSM.txt");
    for (std::size_t i = 0; i < desc.size(); ++i) {
      if (desc[i].empty() || desc[i][0] != '[') continue;
      const std::string name = desc[i].substr(1, desc[i].size() - 2);
      headers.push_back(name);
      std::size_t j = i + 1;
      if (name == "辅助核算项档案") {
        for (; j < desc.size() && !desc[j].empty(); ++j) types.push_back(desc[j]);
        continue;
      }
      const std::string file = desc[j];
      type_files[name] = file;
      for (++j; j < desc.size() && !desc[j].empty(); ++j)
        columns[file].push_back(desc[j].substr(0, desc[j].find(',')));
      for (const std::string& line : Lines(dir + "/" + file))
        rows[file].push_back(test::SplitText(line, '\t'));
    }
    for (const auto& row : rows["KJKM.txt"]) chart[row[0]] = row;
  }

  bool HasAccount(const std::string& code) const { return chart.count(code) != 0; }
  std::set<std::string> ArchiveCodes(const std::string& type) {
    std::set<std::string> codes;
    for (const auto& row : rows[type_files.at(type)]) codes.insert(Trimmed(row[0]));
    return codes;
  }
};

enum class GroupKind { kBlank, kFull, kPartial, kTrailing };

// Checks that a row's auxiliary group fits its account as a conversion needs it: a
// group that is not blank belongs to a chart account, has no more codes than the
// account has types, and every code is in the archive of the type at its position.
GroupKind CheckGroup(ReadBack& data, const std::string& account, const std::string& group) {
  if (Trimmed(group).empty()) return GroupKind::kBlank;
  EXPECT_TRUE(data.HasAccount(account)) << account;
  if (!data.HasAccount(account)) return GroupKind::kBlank;
  const std::string types_text = data.chart[account][3];
  EXPECT_FALSE(types_text.empty()) << account << " has no auxiliary types but group " << group;
  const auto types = test::SplitText(types_text, '/');
  const auto codes = test::SplitText(group, '/');
  EXPECT_LE(codes.size(), types.size()) << account << " " << group;
  for (std::size_t k = 0; k < codes.size() && k < types.size(); ++k) {
    if (codes[k].empty()) continue;
    EXPECT_EQ(data.ArchiveCodes(types[k]).count(codes[k]), 1u)
        << codes[k] << " not in the archive of " << types[k];
  }
  if (group.back() == '/') return GroupKind::kTrailing;
  return codes.size() < types.size() ? GroupKind::kPartial : GroupKind::kFull;
}

std::set<GroupKind> CheckAllGroups(ReadBack& data) {
  std::set<GroupKind> kinds;
  for (const auto& row : data.rows["JZPZ.txt"]) kinds.insert(CheckGroup(data, row[4], row[9]));
  for (const auto& row : data.rows["KMYE.txt"]) kinds.insert(CheckGroup(data, row[0], row[6]));
  return kinds;
}

DatasetOptions AllQuirks(std::uint64_t seed) {
  DatasetOptions o;
  o.seed = seed;
  o.omit_parents = o.other_currencies = o.void_postings = true;
  o.irregular_aux_groups = o.irregular_archives = o.commas_and_quotes = true;
  return o;
}

TEST(GenDataset, SameSeedWritesSameBytesOtherSeedDiffers) {
  TempDir a, b, c;
  WriteDataset(a.path(), AllQuirks(42));
  WriteDataset(b.path(), AllQuirks(42));
  WriteDataset(c.path(), AllQuirks(43));
  for (const auto& entry : fs::directory_iterator(a.path())) {
    const std::string name = entry.path().filename().string();
    EXPECT_EQ(test::ReadFile(a / name), test::ReadFile(b / name)) << name;
  }
  EXPECT_NE(test::ReadFile(a / "JZPZ.txt"), test::ReadFile(c / "JZPZ.txt"));
}

TEST(GenDataset, DescriptionHasTheSectionsInOrder) {
  TempDir dir;
  WriteDataset(dir.path(), DatasetOptions{});
  ReadBack data(dir.path());
  EXPECT_EQ(data.headers, (std::vector<std::string>{"会计科目", "科目余额及发生额", "记账凭证",
                                                    "辅助核算项档案", "部门", "项目", "往来单位"}));
  EXPECT_EQ(data.types, (std::vector<std::string>{"部门", "项目", "往来单位"}));
  EXPECT_EQ(data.columns["KJKM.txt"],
            (std::vector<std::string>{"科目编号", "科目名称", "余额方向", "辅助核算项"}));
  EXPECT_EQ(data.columns["KMYE.txt"],
            (std::vector<std::string>{"科目编号", "币种", "期初余额", "借方发生额", "贷方发生额",
                                      "期末余额", "辅助核算组"}));
  EXPECT_EQ(data.columns["JZPZ.txt"],
            (std::vector<std::string>{"凭证日期", "凭证字", "凭证号", "摘要", "科目编号", "币种",
                                      "借方金额", "贷方金额", "作废标志", "辅助核算组", "制单人"}));
  EXPECT_EQ(data.type_files["项目"], "XMDA.txt");
  EXPECT_EQ(data.columns["WLDW.txt"], (std::vector<std::string>{"往来单位编号", "往来单位名称"}));
}

TEST(GenDataset, RowsMatchSummaryAndColumnsMatchDescription) {
  TempDir dir;
  DatasetOptions o = AllQuirks(5);
  o.postings = 333;
  o.balances = 77;
  const DatasetSummary s = WriteDataset(dir.path(), o);
  ReadBack data(dir.path());
  EXPECT_EQ(s.postings, 333u);
  EXPECT_EQ(s.balances, 77u);
  EXPECT_EQ(s.accounts, data.rows["KJKM.txt"].size());
  ASSERT_EQ(s.file_rows.size(), 6u);
  std::uint64_t bytes = fs::file_size(dir / "GSSM.txt");
  for (const auto& [file, count] : s.file_rows) {
    EXPECT_EQ(data.rows[file].size(), count) << file;
    for (const auto& row : data.rows[file])
      EXPECT_EQ(row.size(), data.columns[file].size()) << file;
    bytes += fs::file_size(dir / file);
  }
  EXPECT_EQ(s.bytes, bytes);
}

TEST(GenDataset, EveryLineEndsInCrLfAndTextIsValidGbk) {
  TempDir dir;
  WriteDataset(dir.path(), AllQuirks(9));
  for (const auto& entry : fs::directory_iterator(dir.path())) {
    const std::string name = entry.path().filename().string();
    const std::string bytes = test::ReadFile(entry.path().string());
    ASSERT_GE(bytes.size(), 2u) << name;
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n") << name;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      if (bytes[i] == '\n') {
        EXPECT_TRUE(i > 0 && bytes[i - 1] == '\r') << name << " at " << i;
      } else if (bytes[i] == '\r') {
        EXPECT_TRUE(i + 1 < bytes.size() && bytes[i + 1] == '\n') << name << " at " << i;
      }
    }
    ConversionStats stats;
    const std::string utf8 = GbkToUtf8(bytes, &stats);
    EXPECT_EQ(stats.replaced, 0u) << name;
    EXPECT_EQ(Utf8ToGbk(utf8), bytes) << name;
  }
}

TEST(GenDataset, OmittedParentsAreReallyMissing) {
  TempDir dir;
  DatasetOptions o;
  o.seed = 11;
  o.omit_parents = true;
  const DatasetSummary s = WriteDataset(dir.path(), o);
  ReadBack data(dir.path());
  std::size_t without_parent = 0;
  std::map<std::string, std::set<std::string>> orphan_directions;  // missing 6-digit parent
  for (const auto& [code, row] : data.chart) {
    if (code.size() > 4 && !data.HasAccount(code.substr(0, code.size() - 2))) ++without_parent;
    if (code.size() == 8 && !data.HasAccount(code.substr(0, 6)) &&
        !data.HasAccount(code.substr(0, 4)))
      orphan_directions[code.substr(0, 6)].insert(row[2]);
  }
  EXPECT_EQ(s.accounts_without_parent, without_parent);
  EXPECT_GT(s.omitted_accounts, 0u);
  ASSERT_FALSE(orphan_directions.empty());
  bool both_directions = false;
  for (const auto& [parent, directions] : orphan_directions)
    both_directions |= directions.size() == 2;
  EXPECT_TRUE(both_directions);
  for (const auto& row : data.rows["JZPZ.txt"]) EXPECT_TRUE(data.HasAccount(row[4])) << row[4];
}

TEST(GenDataset, FullChartHasEveryParent) {
  TempDir dir;
  const DatasetSummary s = WriteDataset(dir.path(), DatasetOptions{});
  ReadBack data(dir.path());
  EXPECT_EQ(s.accounts_without_parent, 0u);
  for (const auto& [code, row] : data.chart) {
    if (code.size() > 4) {
      EXPECT_TRUE(data.HasAccount(code.substr(0, code.size() - 2))) << code;
    }
    EXPECT_TRUE(row[2] == "借" || row[2] == "贷") << code;
  }
}

TEST(GenDataset, AuxGroupsFitTheirAccounts) {
  TempDir dir;
  DatasetOptions o = AllQuirks(21);
  o.postings = 600;
  o.balances = 200;
  WriteDataset(dir.path(), o);
  ReadBack data(dir.path());
  const auto kinds = CheckAllGroups(data);
  EXPECT_EQ(kinds, (std::set<GroupKind>{GroupKind::kBlank, GroupKind::kFull, GroupKind::kPartial,
                                        GroupKind::kTrailing}));
}

TEST(GenDataset, PlainOptionsWriteNoQuirks) {
  TempDir dir;
  DatasetOptions o;
  o.postings = 400;
  const DatasetSummary s = WriteDataset(dir.path(), o);
  ReadBack data(dir.path());
  EXPECT_EQ(s.odd_rows + s.void_postings + s.foreign_postings + s.foreign_balances, 0u);
  for (const auto& [file, rows] : data.rows)
    for (const auto& row : rows)
      for (const auto& value : row) EXPECT_EQ(value.find_first_of(",\""), std::string::npos);
  for (const auto& row : data.rows["JZPZ.txt"]) {
    EXPECT_EQ(row[5], "人民币");
    EXPECT_EQ(row[8], "0");
  }
  const auto kinds = CheckAllGroups(data);
  EXPECT_EQ(kinds.count(GroupKind::kPartial) + kinds.count(GroupKind::kTrailing), 0u);
  EXPECT_EQ(kinds.count(GroupKind::kFull), 1u);
}

TEST(GenDataset, VouchersBalanceAndClosingBalancesAddUp) {
  TempDir dir;
  DatasetOptions o = AllQuirks(8);
  o.commas_and_quotes = false;  // keeps every amount in its column
  o.postings = 500;
  WriteDataset(dir.path(), o);
  ReadBack data(dir.path());
  std::map<std::string, std::int64_t> difference;  // voucher number -> debits - credits
  for (const auto& row : data.rows["JZPZ.txt"]) difference[row[2]] += Cents(row[6]) - Cents(row[7]);
  EXPECT_GT(difference.size(), 50u);
  for (const auto& [number, diff] : difference) EXPECT_EQ(diff, 0) << "记-" << number;
  for (const auto& row : data.rows["KMYE.txt"]) {
    const bool credit = data.chart.at(row[0])[2] == "贷";
    const std::int64_t movement = Cents(row[3]) - Cents(row[4]);
    EXPECT_EQ(Cents(row[5]), Cents(row[2]) + (credit ? -movement : movement)) << row[0];
  }
}

TEST(GenDataset, QuirksAreWrittenAndCounted) {
  TempDir dir;
  DatasetOptions o = AllQuirks(3);
  o.postings = 800;
  const DatasetSummary s = WriteDataset(dir.path(), o);
  ReadBack data(dir.path());
  std::size_t void_rows = 0, foreign = 0, rmb_aux = 0, odd = 0;
  for (const auto& row : data.rows["JZPZ.txt"]) {
    void_rows += row[8] == "1";
    foreign += row[5] != "人民币";
    rmb_aux += row[5] == "人民币" && row[8] == "0" && !Trimmed(row[9]).empty();
  }
  for (const auto& [file, rows] : data.rows)
    for (const auto& row : rows) {
      bool has = false;
      for (const auto& value : row) has |= value.find_first_of(",\"") != std::string::npos;
      odd += has;
    }
  EXPECT_GT(void_rows, 0u);
  EXPECT_GT(foreign, 0u);
  EXPECT_GT(odd, 0u);
  EXPECT_EQ(s.void_postings, void_rows);
  EXPECT_EQ(s.foreign_postings, foreign);
  EXPECT_EQ(s.rmb_aux_postings, rmb_aux);
  EXPECT_EQ(s.odd_rows, odd);
  // The irregular archive rows: a padded code, a repeated code and a blank code.
  const auto& depts = data.rows["BMDA.txt"];
  std::multiset<std::string> codes;
  bool padded = false, blank = false;
  for (const auto& row : depts) {
    codes.insert(Trimmed(row[0]));
    padded |= row[0] != Trimmed(row[0]) && !Trimmed(row[0]).empty();
    blank |= Trimmed(row[0]).empty();
  }
  EXPECT_TRUE(padded);
  EXPECT_TRUE(blank);
  EXPECT_EQ(codes.count("01"), 2u);
}

TEST(GenSample, CommittedFilesAreWhatTheGeneratorWrites) {
  TempDir dir;
  WriteSampleDataset(dir.path());
  const std::string committed = std::string(QORU_SOURCE_DIR) + "/examples/sample";
  std::set<std::string> written, shipped;
  for (const auto& e : fs::directory_iterator(dir.path()))
    written.insert(e.path().filename().string());
  for (const auto& e : fs::directory_iterator(committed))
    if (e.path().extension() == ".txt") shipped.insert(e.path().filename().string());
  EXPECT_EQ(written, shipped);
  for (const std::string& name : written)
    EXPECT_EQ(test::ReadFile(dir / name), test::ReadFile(committed + "/" + name)) << name;
}

TEST(GenSample, HoldsTheDocumentedCases) {
  TempDir dir;
  const DatasetSummary s = WriteSampleDataset(dir.path());
  ReadBack data(dir.path());
  // 22210101 (借) and 22210102 (贷) without 222101 and 2221; 101201 without 1012.
  EXPECT_EQ(data.chart.at("22210101")[2], "借");
  EXPECT_EQ(data.chart.at("22210102")[2], "贷");
  for (const char* absent : {"222101", "2221", "1012"}) EXPECT_FALSE(data.HasAccount(absent));
  EXPECT_TRUE(data.HasAccount("101201"));
  EXPECT_EQ(s.accounts_without_parent, 5u);

  const auto kinds = CheckAllGroups(data);
  EXPECT_EQ(kinds.size(), 4u);  // blank, full, partial and trailing "/" all occur

  EXPECT_EQ(s.void_postings, 2u);
  EXPECT_EQ(s.foreign_postings, 2u);
  EXPECT_EQ(s.rmb_aux_postings, 17u);  // the rows of aidVour in README.md
  EXPECT_EQ(s.rmb_aux_balances, 9u);   // the rows of aidBal
  EXPECT_EQ(s.odd_rows, 0u);
  EXPECT_EQ(data.rows["BMDA.txt"].back()[0], " 06 ");
  std::multiset<std::string> projects;
  for (const auto& row : data.rows["XMDA.txt"]) projects.insert(row[0]);
  EXPECT_EQ(projects.count("P003"), 2u);
}

}  // namespace
}  // namespace qoru::gen
