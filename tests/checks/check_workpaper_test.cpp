// `qoru-gbtxt check --xlsx`: the workpaper read back says what the JSON report says
// (sheets, rows, cells, amounts as numbers in the money format), the target is refused
// before the run when it cannot be written, an earlier file is replaced whole, the
// report on stdout stays as it is, and many book sets give one workpaper each.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include <nlohmann/json.hpp>

#include "checks/check_catalog.h"
#include "checks/check_workpaper.h"
#include "gendata/consistent_books.h"
#include "test_support/command.h"
#include "test_support/programs.h"
#include "test_support/system.h"
#include "test_support/temp_dir.h"
#include "test_support/workbook_reader.h"
#include "text/gbk_codec.h"

namespace qoru {
namespace {

using nlohmann::json;
using test::RunApart;
using test::RunCommand;
using test::ShellWord;

using test::kHost;

// A book set of the standard layout (months, aux rows) with every plant it can hold.
std::string WriteBooks(const std::string& source) {
  test::MakeDir(source);
  gen::ConsistentOptions options;
  options.postings = 600;
  options.exact_amounts = true;
  options.layout = "standard";
  for (const std::string& kind : gen::PlantKinds())
    if (kind != "bad-direction") options.plants.push_back(kind);  // needs direction columns
  gen::WriteConsistentBooks(source, options);
  return source;
}

// The workpaper's sheets by name, each with all its rows.
std::map<std::string, json> ReadSheets(const std::string& xlsx, json* whole = nullptr) {
  const json wb = test::ReadWorkbook(xlsx);
  if (whole) *whole = wb;
  return test::SheetsByName(wb);
}

json Cell(const json& row, const std::string& column) {
  return test::CellValue(row, column);
}

// The column letter whose header row cell reads `header`.
std::string ColumnOf(const json& sheet, const std::string& header) {
  for (const auto& [column, cell] : sheet["first"][0].items())
    if (cell["v"] == header) return column;
  ADD_FAILURE() << "no column " << header;
  return "?";
}

class CheckWorkpaper : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new test::TempDir;
    WriteBooks(dir_->path() + "src");
    const test::Ran converted = test::RunConvert(dir_->path() + "src", dir_->path() + "work");
    ASSERT_EQ(converted.exit_code, 0) << converted.out;
  }
  static void TearDownTestSuite() { delete dir_; }
  static std::string Database() { return dir_->path() + "work/TemplateTemp/GBA.mdb"; }
  static test::TempDir* dir_;
};
test::TempDir* CheckWorkpaper::dir_ = nullptr;

TEST_F(CheckWorkpaper, SheetsAndCellsAreWhatTheFindingsSay) {
  QORU_SKIP_UNLESS_POSIX(
      "reads the workbook back with python3 (tests/screening/read_xlsx.py), a Linux program here");
  test::TempDir out;
  const std::string xlsx = out.path() + "底稿.xlsx";
  const test::RanApart plain = RunApart(kHost + " check --json --db " + ShellWord(Database()));
  const test::RanApart with = RunApart(kHost + " check --json --db " + ShellWord(Database()) +
                                       " --xlsx " + ShellWord(xlsx));
  EXPECT_EQ(with.exit_code, plain.exit_code);
  json report = test::ParseJson(with.out);
  json before = test::ParseJson(plain.out);
  report.erase("seconds");
  before.erase("seconds");
  // With a workpaper the JSON says what it wrote and where the data came from.
  EXPECT_EQ(report["files_written"], json::array({xlsx}));
  EXPECT_EQ(report["provenance"]["files"].size(), 2u) << "the database and its GSSM.txt";
  EXPECT_EQ(report["provenance"]["files"][0]["role"], "数据库");
  report.erase("files_written");
  report.erase("provenance");
  EXPECT_EQ(report, before) << "the rest of the JSON report is the same with --xlsx";
  EXPECT_NE(with.err.find("工作底稿已写入 " + xlsx), std::string::npos) << with.err;

  json whole;
  std::map<std::string, json> sheets = ReadSheets(xlsx, &whole);
  ASSERT_EQ(whole["sheets"][0]["name"], "概览") << "the overview comes first";
  bool money = false;
  for (const json& f : whole["numFmts"]) money = money || f == "#,##0.00";
  EXPECT_TRUE(money);

  // The overview: the book set, its year, the counts, one row per check.
  const json& overview = sheets["概览"];
  std::map<std::string, json> pairs;
  std::map<std::string, json> checks;
  for (const json& row : overview["first"]) {
    const json key = Cell(row, "A");
    if (!key.is_string()) continue;
    pairs[key] = Cell(row, "B");
    checks[key] = row;
  }
  EXPECT_EQ(pairs["数据库"], Database());
  EXPECT_EQ(pairs["年度"], "2026");
  EXPECT_EQ(pairs["错误"], report["errors"]);
  EXPECT_EQ(pairs["警告"], report["warnings"]);
  EXPECT_EQ(overview["formulas"], 0);

  std::map<std::string, std::vector<json>> findings;
  for (const json& f : report["findings"]) findings[f["check"]].push_back(f);
  std::size_t sheets_with_findings = 0;
  for (const json& c : report["checks"]) {
    const std::string id = c["id"];
    SCOPED_TRACE(id);
    ASSERT_TRUE(checks.count(id)) << "the overview lists every check";
    const json& row = checks[id];
    const auto check = *checks::CheckByName(id);
    EXPECT_EQ(Cell(row, "B"), std::string(checks::Info(check).title));
    EXPECT_EQ(Cell(row, "D"), c["status"] == "skipped" ? "跳过"
                              : c["status"] == "ok"    ? "通过"
                                                       : "有问题");
    if (c["status"] == "skipped") {
      EXPECT_EQ(Cell(row, "G"), c["reason"]) << "a skipped check says why";
      continue;
    }
    EXPECT_EQ(Cell(row, "E"), c["findings"]);

    const std::string name = checks::CheckSheetName(check);
    if (findings[id].empty()) {
      EXPECT_FALSE(sheets.count(name)) << "no sheet for a check without findings";
      continue;
    }
    ++sheets_with_findings;
    ASSERT_TRUE(sheets.count(name)) << name;
    const json& sheet = sheets[name];
    EXPECT_TRUE(sheet["frozen"]);
    EXPECT_EQ(sheet["formulas"], 0);
    ASSERT_EQ(sheet["rows"], findings[id].size() + 1) << "a header and a row per finding";
    const std::string message = ColumnOf(sheet, "说明");
    for (std::size_t i = 0; i < findings[id].size(); ++i) {
      const json& f = findings[id][i];
      const json& cells = sheet["first"][i + 1];
      EXPECT_EQ(Cell(cells, "A"), f["severity"] == "error" ? "错误" : "警告");
      EXPECT_EQ(Cell(cells, message), f["message"]);
      if (f.contains("table")) {
        EXPECT_EQ(Cell(cells, "B"), f["table"]);
      }
      if (f.contains("row")) {
        EXPECT_EQ(Cell(cells, "C"), f["row"]);
      }
      if (f.contains("account")) {
        EXPECT_EQ(Cell(cells, ColumnOf(sheet, "科目")), f["account"]);
      }
      if (f.contains("month") && id != "voucher-numbering") {
        const json month = Cell(cells, ColumnOf(sheet, "月份"));
        EXPECT_EQ(month, f["month"].is_null() ? json("全年") : f["month"]);
      }
    }
  }
  EXPECT_EQ(sheets.size(), sheets_with_findings + 1);
  EXPECT_GE(sheets_with_findings, 8u) << "the plants reach most checks";

  // Amounts are numbers in the money format, equal to the report's decimal texts.
  for (const auto& [id, header, key] :
       std::vector<std::tuple<std::string, std::string, std::string>>{
           {"vouchers-vs-balances", "凭证借方", "voucher_debit"},
           {"vouchers-vs-balances", "余额表贷方", "balance_credit"},
           {"balance-roll-forward", "期末余额", "actual"},
           {"voucher-balance", "借方合计", "debit"},
           {"trial-balance", "贷方合计", "credit"}}) {
    SCOPED_TRACE(id + " " + header);
    const json& sheet = sheets[checks::CheckSheetName(*checks::CheckByName(id))];
    ASSERT_FALSE(findings[id].empty());
    const std::string column = ColumnOf(sheet, header);
    const json& cell = sheet["first"][1][column];
    EXPECT_EQ(cell["t"], "n");
    EXPECT_DOUBLE_EQ(cell["v"].get<double>(), std::stod(findings[id][0][key].get<std::string>()));
  }
}

TEST_F(CheckWorkpaper, TextReportIsTheSameAndAnEarlierFileIsReplacedWholeOnlyWhenAsked) {
  QORU_SKIP_UNLESS_POSIX(
      "reads the workbook back with python3 (tests/screening/read_xlsx.py), a Linux program here");
  test::TempDir out;
  const std::string xlsx = out.path() + "w.xlsx";
  test::WriteFile(xlsx, "an earlier file, not a workbook");
  const test::RanApart plain = RunApart(kHost + " check --db " + ShellWord(Database()));
  const test::RanApart kept =
      RunApart(kHost + " check --db " + ShellWord(Database()) + " --xlsx " + ShellWord(xlsx));
  EXPECT_EQ(kept.exit_code, 2);
  EXPECT_NE(kept.err.find("--overwrite"), std::string::npos) << kept.err;
  EXPECT_EQ(test::ReadFile(xlsx), "an earlier file, not a workbook");
  const test::RanApart with = RunApart(kHost + " check --db " + ShellWord(Database()) + " --xlsx " +
                                       ShellWord(xlsx) + " --overwrite");
  EXPECT_EQ(with.exit_code, 1);
  const auto without_time = [](std::string text) { return text.substr(0, text.rfind("用时")); };
  EXPECT_EQ(without_time(with.out), without_time(plain.out));
  EXPECT_NE(with.err.find("替换了原有的同名文件"), std::string::npos) << with.err;
  EXPECT_TRUE(ReadSheets(xlsx).count("概览"));
  std::size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(out.path())) {
    ++files;
    EXPECT_EQ(entry.path().filename(), "w.xlsx") << "no temporary file is left";
  }
  EXPECT_EQ(files, 1u);
}

TEST_F(CheckWorkpaper, AnUnwritableTargetIsRefusedBeforeTheRun) {
  test::TempDir out;
  test::MakeDir(out.path() + "folder");
  test::MakeDir(out.path() + "locked");
  std::filesystem::permissions(out.path() + "locked", std::filesystem::perms::owner_read |
                                                          std::filesystem::perms::owner_exec);
  struct Case {
    std::string target, words;
    bool skip_as_root;
  };
  const std::vector<Case> cases = {
      {out.path() + "folder", "是一个目录", false},
      {out.path() + "missing/w.xlsx", "所在的目录不存在", false},
      {out.path() + "locked/w.xlsx", "所在的目录不可写", true},
      {"/proc/self/w.xlsx", "所在的目录不可写", false},  // not even for root
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target);
    // Root writes anywhere; a folder's mode bits do not stop writing on Windows.
    if (c.skip_as_root && (test::RunningAsRoot() || !test::PosixSystem())) continue;
    for (const std::string flag : {"", " --json"}) {
      const test::RanApart ran = RunApart(kHost + " check" + flag + " --db " +
                                          ShellWord(Database()) + " --xlsx " + ShellWord(c.target));
      EXPECT_EQ(ran.exit_code, 2);
      EXPECT_NE(ran.err.find(c.words), std::string::npos) << ran.err;
      EXPECT_EQ(ran.out.find("检查结果"), std::string::npos) << "no checks ran";
      EXPECT_EQ(ran.out.find("findings"), std::string::npos) << "no checks ran";
      if (!flag.empty()) {
        EXPECT_TRUE(test::ParseJson(ran.out).contains("error"));
      }
    }
  }
  std::filesystem::permissions(out.path() + "locked", std::filesystem::perms::owner_all);
}

TEST_F(CheckWorkpaper, AFailedConversionGivesWhatCouldBeCheckedAndSaysWhy) {
  QORU_SKIP_UNLESS_POSIX(
      "reads the workbook back with python3 (tests/screening/read_xlsx.py), a Linux program here");
  test::TempDir out;
  const std::string source = out.path() + "books";
  std::filesystem::copy(dir_->path() + "src", source);
  // A column named twice in 记账凭证 makes the conversion fail.
  std::string gssm = test::ReadFile(source + "/GSSM.txt");
  const std::string column = Utf8ToGbk("凭证编号,文本,40\r\n");
  const std::size_t at = gssm.find(column);
  ASSERT_NE(at, std::string::npos);
  gssm.insert(at, column);
  test::WriteFile(source + "/GSSM.txt", gssm);
  const std::string xlsx = out.path() + "w.xlsx";
  const test::RanApart ran =
      RunApart(kHost + " check --source " + ShellWord(source) + " --xlsx " + ShellWord(xlsx));
  EXPECT_EQ(ran.exit_code, 2) << ran.err;
  std::map<std::string, json> sheets = ReadSheets(xlsx);
  bool said = false;
  for (const json& row : sheets["概览"]["first"]) {
    said = said || (Cell(row, "A") == "问题" &&
                    Cell(row, "B").get<std::string>().find("转换失败") != std::string::npos);
  }
  EXPECT_TRUE(said) << "the overview says why";
}

TEST_F(CheckWorkpaper, ManyBookSetsGiveOneWorkpaperEachInTheFolder) {
  QORU_SKIP_UNLESS_POSIX(
      "reads the workbook back with python3 (tests/screening/read_xlsx.py), a Linux program here");
  test::TempDir out;
  const std::string sets = out.path() + "sets";
  test::MakeDir(sets);
  test::MakeDir(sets + "/甲公司");
  gen::ConsistentOptions options;
  options.postings = 200;
  gen::WriteConsistentBooks(sets + "/甲公司", options);
  std::filesystem::copy(dir_->path() + "src", sets + "/乙公司");
  const std::string papers = sets + "/底稿";  // among the book sets, and not one of them
  test::MakeDir(papers);

  const test::RanApart ran = RunApart(kHost + " check --jobs 2 --each " + ShellWord(sets) +
                                      " --xlsx " + ShellWord(papers));
  EXPECT_EQ(ran.exit_code, 1) << ran.err;
  EXPECT_NE(ran.err.find("2 个"), std::string::npos) << ran.err;
  for (const char* name : {"甲公司", "乙公司"}) {
    SCOPED_TRACE(name);
    std::map<std::string, json> sheets = ReadSheets(papers + "/" + std::string(name) + ".xlsx");
    ASSERT_TRUE(sheets.count("概览"));
    bool named = false;
    for (const json& row : sheets["概览"]["first"])
      named = named || (Cell(row, "A") == "账套" && Cell(row, "B") == name);
    EXPECT_TRUE(named);
    EXPECT_EQ(sheets.size() > 1, std::string(name) == "乙公司") << "findings only in 乙公司";
  }

  const test::RanApart file_target = RunApart(kHost + " check --each " + ShellWord(sets) +
                                              " --xlsx " + ShellWord(out.path() + "one.xlsx"));
  EXPECT_EQ(file_target.exit_code, 2);
  EXPECT_NE(file_target.err.find("指定一个目录"), std::string::npos) << file_target.err;
}

TEST(CheckWorkpaperSheets, FindingsPastASheetsRowsGoOnOnTheNextSheet) {
  QORU_SKIP_UNLESS_POSIX(
      "reads the workbook back with python3 (tests/screening/read_xlsx.py), a Linux program here");
  checks::CheckReport report = checks::EmptyReport(5);
  checks::CheckResult& r = report[checks::CheckId::kVoucherBalance];
  for (int i = 1; i <= 7; ++i) {
    r.Record([&] {
      checks::Finding f;
      f.check = checks::CheckId::kVoucherBalance;
      f.table = "JZPZ";
      f.row = i;
      f.message = "凭证 " + std::to_string(i);
      f.fields = {{"voucher", {{"year", 2026}, {"month", 3}, {"type", "记"}, {"number", "7"}}},
                  {"debit", "1234.50"},
                  {"credit", "-0.05"}};
      return f;
    });
  }
  test::TempDir out;
  const std::string xlsx = out.path() + "w.xlsx";
  const std::size_t saved = checks::g_check_rows_per_sheet;
  checks::g_check_rows_per_sheet = 2;
  checks::WriteCheckWorkpaper(xlsx, report, {"甲", "", "a.mdb", "GSSM.txt", "", {}});
  checks::g_check_rows_per_sheet = saved;

  json whole;
  std::map<std::string, json> sheets = ReadSheets(xlsx, &whole);
  ASSERT_EQ(whole["sheets"].size(), 4u);
  EXPECT_EQ(whole["sheets"][1]["name"], "凭证借贷不平");
  EXPECT_EQ(whole["sheets"][2]["name"], "凭证借贷不平（2）");
  EXPECT_EQ(whole["sheets"][3]["name"], "凭证借贷不平（3）");
  EXPECT_EQ(whole["sheets"][1]["rows"], 3);
  EXPECT_EQ(whole["sheets"][3]["rows"], 3) << "the fifth finding and the note of the two unlisted";
  const json& third = whole["sheets"][3]["first"];
  EXPECT_EQ(Cell(third[1], "C"), 5);
  EXPECT_EQ(Cell(third[1], "E"), "2026-03 记-7");
  EXPECT_EQ(Cell(third[1], "F"), 1234.5);
  EXPECT_EQ(Cell(third[1], "G"), -0.05);
  EXPECT_NE(Cell(third[2], "A").get<std::string>().find("共 7 条，只列出前 5 条"),
            std::string::npos);
  EXPECT_EQ(whole["sheets"][2]["autofilter"], "A1:H3");
}

TEST(CheckWorkpaperSheets, NamesAreValidSheetNames) {
  for (const checks::CheckInfo& c : checks::AllChecks()) {
    const std::string name = checks::CheckSheetName(c.id);
    EXPECT_EQ(name.find_first_of("[]:*?/\\"), std::string::npos) << name;
    EXPECT_FALSE(name.empty());
  }
  EXPECT_EQ(checks::CheckSheetName(checks::CheckId::kVoucherNumbering), "凭证断号／重号");
}

}  // namespace
}  // namespace qoru
