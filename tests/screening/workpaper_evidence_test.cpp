// The screening workpaper as audit evidence, read back from the files a user gets: the
// population and the hashes against an independent reckoning of the source text, the
// tie-out against the check and against sums of the source text, every test's sheet,
// the print set-up, the cells' types, a long text cut visibly, and a book set without
// a balance table screened.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

#include <nlohmann/json.hpp>

#include "gendata/consistent_books.h"
#include "screening/screen_report.h"
#include "test_support/command.h"
#include "test_support/programs.h"
#include "test_support/source_sums.h"
#include "test_support/system.h"
#include "test_support/temp_dir.h"
#include "test_support/workbook_reader.h"

namespace qoru {
namespace {

using nlohmann::json;
using test::kHost;
using test::RunApart;
using test::ShellWord;

gen::ConsistentOptions Standard(std::vector<std::string> plants = {}) {
  gen::ConsistentOptions o;
  o.postings = 1200;
  o.layout = "standard";
  o.exact_amounts = true;  // eighteen digits, negatives, four decimals
  o.plants = std::move(plants);
  return o;
}

// Writes a generated book set into the new folder `dir`.
void WriteBooks(const std::string& dir, const gen::ConsistentOptions& options) {
  std::filesystem::create_directories(dir);
  gen::WriteConsistentBooks(dir, options);
}

json Screen(const std::string& arguments) {
  const test::RanApart ran = RunApart(kHost + " screen --json " + arguments);
  EXPECT_EQ(ran.exit_code, 0) << ran.err;
  return test::ParseJson(ran.out);
}

// The row of `sheet` whose column A reads `label`.
json RowLabelled(const json& sheet, const std::string& label) {
  for (const json& row : sheet["first"])
    if (test::CellValue(row, "A") == label) return row;
  ADD_FAILURE() << "no row " << label;
  return json::object();
}

TEST(WorkpaperEvidence, PopulationAndHashesEqualAnIndependentReckoningOfTheSource) {
  QORU_SKIP_UNLESS_POSIX("reads the workbook with python3 and hashes with sha256sum");
  test::TempDir dir;
  const std::string source = dir.path() + "books";
  WriteBooks(source, Standard({"date-out-of-year", "bad-value"}));
  const std::string xlsx = dir.path() + "wp.xlsx";
  const json j =
      Screen("--source " + ShellWord(source) + " --xlsx " + ShellWord(xlsx) + " --preparer 李审计");

  const test::SourceSums sums = test::SumPostings(source);
  const json& p = j["population"];
  EXPECT_EQ(p["rows"]["count"], sums.rows.count);
  EXPECT_EQ(test::Decimal(p["rows"]["debit"]), sums.rows.debit);
  EXPECT_EQ(test::Decimal(p["rows"]["credit"]), sums.rows.credit);
  const json& void_rows = p["left_out"][0];
  EXPECT_EQ(void_rows["reason"], "void");
  EXPECT_EQ(void_rows["count"], sums.void_rows.count);
  EXPECT_GT(sums.void_rows.count, 0u);
  EXPECT_EQ(test::Decimal(void_rows["debit"]), sums.void_rows.debit);
  EXPECT_EQ(test::Decimal(void_rows["credit"]), sums.void_rows.credit);
  EXPECT_EQ(p["tested"]["count"], sums.rows.count - sums.void_rows.count);
  EXPECT_EQ(test::Decimal(p["tested"]["debit"]), sums.rows.debit - sums.void_rows.debit);
  EXPECT_EQ(p["left_out"][3]["reason"], "outside_year");
  EXPECT_GE(p["left_out"][3]["count"], 2) << "the voucher dated in the previous year";

  // The cover shows the same figures.
  const auto sheets = test::SheetsByName(test::ReadWorkbook(xlsx, 200));
  const json& cover = sheets.at("概览");
  const json void_row = RowLabelled(cover, "剔除：作废");
  EXPECT_EQ(test::CellValue(void_row, "C"), sums.void_rows.count);
  EXPECT_NEAR(test::CellValue(void_row, "D").get<double>(), test::AsDouble(sums.void_rows.debit),
              0.005);
  EXPECT_EQ(test::CellValue(RowLabelled(cover, "编制人"), "B"), "李审计");

  // Every file of the book set, with the size and the digest sha256sum gives.
  std::map<std::string, json> files;
  for (const json& f : j["provenance"]["files"])
    files[std::filesystem::path(f["path"].get<std::string>()).filename().string()] = f;
  std::size_t count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(source)) {
    const std::string name = entry.path().filename().string();
    ++count;
    ASSERT_TRUE(files.count(name)) << name;
    EXPECT_EQ(files[name]["size"], std::filesystem::file_size(entry.path())) << name;
    const test::Ran sum = test::RunCommand("sha256sum " + ShellWord(entry.path().string()), false);
    EXPECT_EQ(files[name]["sha256"], sum.out.substr(0, 64)) << name;
    bool on_cover = false;
    for (const json& row : cover["first"])
      on_cover = on_cover || test::CellValue(row, "D") == files[name]["sha256"];
    EXPECT_TRUE(on_cover) << name;
  }
  EXPECT_EQ(files.size(), count);
  EXPECT_EQ(files["GSSM.txt"]["role"], "格式说明");
  EXPECT_EQ(j["provenance"]["preparer"], "李审计");
  EXPECT_EQ(j["files_written"], json::array({xlsx}));
}

// Clean and planted book sets: the tie-out's differences are the check's
// vouchers-vs-balances findings, and those a reckoning of the source text finds.
TEST(WorkpaperEvidence, TieOutAgreesWithTheCheckAndWithTheSourceText) {
  test::TempDir dir;
  const std::vector<std::vector<std::string>> plants = {
      {}, {"vouchers-vs-balances"}, {"unknown-account", "non-leaf-posting"}, {"voucher-balance"}};
  int n = 0;
  for (const auto& plant : plants) {
    const std::string source = dir.path() + "b" + std::to_string(++n);
    WriteBooks(source, Standard(plant));
    const json j = Screen("--source " + ShellWord(source));
    const json& t = j["tie_out"];
    ASSERT_EQ(t["done"], true) << t;
    std::set<std::pair<std::string, int>> differences;
    for (const json& d : t["differences"])
      differences.insert({d["account"].get<std::string>(), d["month"].get<int>()});

    const test::RanApart checked =
        RunApart(kHost + " check --json --max-findings 1000 --source " + ShellWord(source));
    std::set<std::pair<std::string, int>> findings;
    const json check = test::ParseJson(checked.out);
    for (const json& f : check["findings"])
      if (f["check"] == "vouchers-vs-balances")
        findings.insert({f["account"].get<std::string>(), f["month"].get<int>()});
    EXPECT_EQ(differences, findings) << "plants " << n;
    EXPECT_EQ(differences, test::UntiedAccountMonths(source)) << "plants " << n;
    EXPECT_EQ(t["accounts_differ"].get<std::size_t>() > 0, !differences.empty());
    if (plant.empty()) {
      EXPECT_TRUE(differences.empty());
    }
    if (n == 2) {
      EXPECT_EQ(differences.size(), 2u) << "the posting's account and the one it went to";
    }
    if (n == 3) {
      EXPECT_GT(t["not_tied"][0]["count"], 0) << "postings off the chart's leaves";
    }
  }
}

TEST(WorkpaperEvidence, EveryTestHasItsSheetEverySheetPrintsAndCellsHaveTheirTypes) {
  QORU_SKIP_UNLESS_POSIX("reads the workbook with python3");
  test::TempDir dir;
  const std::string source = dir.path() + "books";
  WriteBooks(source, Standard({"weekend-holiday", "reversal", "benford"}));
  const std::string xlsx = dir.path() + "wp.xlsx";
  Screen("--source " + ShellWord(source) + " --xlsx " + ShellWord(xlsx));
  const json wb = test::ReadWorkbook(xlsx, 4);
  const auto sheets = test::SheetsByName(wb);
  std::vector<std::string> expected = {"概览", "完整性核对", "本福特"};
  for (const screening::TestInfo& t : screening::AllTests()) expected.emplace_back(t.chinese);
  for (const std::string& name : expected) EXPECT_TRUE(sheets.count(name)) << name;

  std::set<std::string> titled;
  for (const json& d : wb["defined_names"])
    if (d["name"] == "_xlnm.Print_Titles") titled.insert(d["text"].get<std::string>());
  for (const json& s : wb["sheets"]) {
    const json& print = s["print"];
    EXPECT_EQ(print["orientation"], "landscape") << s["name"];
    EXPECT_EQ(print["paper"], "9") << s["name"];
    EXPECT_EQ(print["fit_width"], "1") << s["name"];
    EXPECT_EQ(print["fit_height"], "0") << s["name"];
    EXPECT_NE(print["header"].get<std::string>().find("books"), std::string::npos) << s["name"];
    EXPECT_NE(print["header"].get<std::string>().find("&A"), std::string::npos) << s["name"];
    EXPECT_EQ(print["footer"], "&C第 &P 页，共 &N 页");
    if (s["autofilter"].is_string()) {
      EXPECT_TRUE(titled.count("'" + s["name"].get<std::string>() + "'!$1:$1")) << s["name"];
    }
  }

  const json& row = sheets.at("节假日和周末记账")["first"][1];
  EXPECT_EQ(row["C"]["f"], "yyyy-mm-dd") << "a date";
  EXPECT_EQ(row["E"]["t"], "n") << "an all-digit voucher number is a number";
  EXPECT_EQ(row["F"]["t"], "n") << "a line number is a number";
  EXPECT_EQ(row["J"]["f"], "#,##0.00");
  EXPECT_GT(sheets.at("节假日和周末记账")["widths"]["2"], 6.0) << "the reason is readable";
  const json& quiet = sheets.at("空摘要")["first"];
  EXPECT_EQ(test::CellValue(quiet[1], "B"), "未发现符合条件的项目");
  const json& benford = sheets.at("本福特");
  EXPECT_EQ(benford["print"]["row_breaks"].size(), 2u) << "the second chart on a page of its own";
  for (const json& c : wb["charts"]) {
    EXPECT_TRUE(c["legend"]);
    EXPECT_EQ(c["series_names"], json::array({"实际", "预期"}));
  }
  // The cover lists each test with its unit, its items and postings.
  const json cover = test::SheetsByName(test::ReadWorkbook(xlsx, 80)).at("概览");
  EXPECT_EQ(test::CellValue(RowLabelled(cover, "weekend-holiday"), "D"), "凭证");
  EXPECT_EQ(test::CellValue(RowLabelled(cover, "large-amount"), "D"), "分录");
  EXPECT_EQ(test::CellValue(RowLabelled(cover, "reversal"), "D"), "凭证对");
  const json weekend = RowLabelled(cover, "weekend-holiday");
  EXPECT_LT(test::CellValue(weekend, "E").get<double>(),
            test::CellValue(weekend, "F").get<double>())
      << "vouchers counted apart from their postings";
}

TEST(WorkpaperEvidence, ABookSetWithoutABalanceTableIsScreenedAndSaysItIsNotTiedOut) {
  test::TempDir dir;
  const std::string source = dir.path() + "books";
  WriteBooks(source, Standard());
  test::RemoveBalanceTable(source);
  const json j = Screen("--source " + ShellWord(source));
  EXPECT_EQ(j["tie_out"]["done"], false);
  EXPECT_EQ(j["tie_out"]["reason"], "无余额表");
  EXPECT_EQ(j["population"]["rows"]["count"], test::SumPostings(source).rows.count);
  EXPECT_EQ(j["tests"].size(), 14u);
  EXPECT_NE(j["note"].get<std::string>().find("没有余额表"), std::string::npos);
}

TEST(WorkpaperEvidence, AnExistingOrReadOnlyWorkpaperIsKept) {
  QORU_SKIP_UNLESS_POSIX("makes a file read-only by its mode");
  test::TempDir dir;
  const std::string sets = dir.path() + "sets";
  for (const char* name : {"a", "b"}) WriteBooks(sets + "/" + name, Standard());
  const std::string papers = dir.path() + "papers";
  test::MakeDir(papers);
  test::WriteFile(papers + "/b.xlsx", "the auditor's notes");
  for (const char* command : {"screen", "check"}) {
    const test::RanApart many = RunApart(kHost + " " + command + " --each " + ShellWord(sets) +
                                         " --xlsx " + ShellWord(papers));
    EXPECT_EQ(many.exit_code, 2) << command;
    EXPECT_NE(many.err.find("b.xlsx"), std::string::npos) << many.err;
    EXPECT_NE(many.err.find("--overwrite"), std::string::npos) << many.err;
    EXPECT_EQ(many.out.find("========"), std::string::npos) << "nothing ran";
    EXPECT_FALSE(std::filesystem::exists(papers + "/a.xlsx")) << "checked before the run";
    EXPECT_EQ(test::ReadFile(papers + "/b.xlsx"), "the auditor's notes");
  }
  const std::string one = papers + "/b.xlsx";
  const test::RanApart single = RunApart(
      kHost + " screen --db " + ShellWord(dir.path() + "none.mdb") + " --xlsx " + ShellWord(one));
  EXPECT_EQ(single.exit_code, 2);
  EXPECT_NE(single.err.find("--overwrite"), std::string::npos) << single.err;

  const json replaced =
      Screen("--source " + ShellWord(sets + "/a") + " --xlsx " + ShellWord(one) + " --overwrite");
  EXPECT_EQ(replaced["files_written"], json::array({one}));
  EXPECT_NE(test::ReadFile(one), "the auditor's notes");

  std::filesystem::permissions(one, std::filesystem::perms::owner_read);
  const std::string before = test::ReadFile(one);
  for (const char* command : {"screen", "check"}) {
    const test::RanApart read_only =
        RunApart(kHost + " " + command + " --source " + ShellWord(sets + "/a") + " --xlsx " +
                 ShellWord(one) + " --overwrite");
    EXPECT_EQ(read_only.exit_code, 2) << command;
    EXPECT_NE(read_only.err.find("只读"), std::string::npos) << read_only.err;
    EXPECT_EQ(test::ReadFile(one), before);
  }
  std::filesystem::permissions(one, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
}

}  // namespace
}  // namespace qoru
