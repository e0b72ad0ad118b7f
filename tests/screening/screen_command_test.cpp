// `qoru-gbtxt screen` as a user runs it: the report from a converted book set in the
// standard column names, the JSON shape, the workpaper read back from its XML, and the
// parameters refused before any work.
#include <gtest/gtest.h>

#include <filesystem>

#include <nlohmann/json.hpp>

#include "screening/book_loader.h"
#include "screening/screen_report.h"
#include "screening/workpaper/workpaper.h"
#include "test_support/command.h"
#include "test_support/programs.h"
#include "test_support/system.h"
#include "test_support/temp_dir.h"
#include "test_support/tiny_books.h"
#include "test_support/workbook_reader.h"

namespace qoru {
namespace {

using nlohmann::json;
using test::kHost;
using test::RunApart;
using test::RunCommand;
using test::ShellWord;
using test::TestsById;
using Ran = test::RanApart;

const std::string kReader = std::string(QORU_SOURCE_DIR) + "/tests/screening/read_xlsx.py";

// A small book set of 2023 in the standard names, with a voucher on a Sunday, one on an
// adjusted working Saturday, a self-approved one and a summary that looks like a formula.
test::TinyBooks ScreenBooks() {
  test::TinyBooks b = test::TinyBooks::Consistent();
  b.posting_columns = {"凭证日期", "凭证种类", "凭证编号",  "行号",     "摘要",
                       "科目编号", "借方金额", "贷方金额",  "作废标志", "制单人员",
                       "审核人员", "记账人员", "辅助核算组"};
  for (auto& row : b.balances) row[0] = "2023";
  b.postings = {
      {"20230611", "记", "1", "1", "=SUM(A1:A2)", "1001", "50000.00", "", "0", "张三", "李四",
       "王五", ""},
      {"20230611", "记", "1", "2", "收款", "4001", "", "50000.00", "0", "张三", "李四", "王五", ""},
      {"20210508", "记", "2", "1", "", "100201", "40.00", "", "0", "张三", "张三", "王五", ""},
      {"20210508", "记", "2", "2", "冲销", "1001", "", "40.00", "0", "张三", "张三", "王五", ""},
      {"20230612", "记", "3", "1", "付款", "1001", "-7.00", "", "1", "赵六", "", "", ""},
  };
  return b;
}

TEST(ScreenCommand, ReportsItemsAsJsonAndWritesAWorkpaper) {
  QORU_SKIP_UNLESS_POSIX(
      "reads the workbook back with python3 (tests/screening/read_xlsx.py), a Linux program here");
  const test::ConvertedBooks books(ScreenBooks());
  ASSERT_TRUE(books.converted());
  test::TempDir dir;
  const std::string xlsx = dir.path() + "底稿.xlsx";
  test::WriteFile(xlsx, "earlier");
  const Ran kept = RunApart(kHost + " screen --json --db " + ShellWord(books.database()) +
                            " --xlsx " + ShellWord(xlsx));
  EXPECT_EQ(kept.exit_code, 2) << "an existing workpaper is kept";
  EXPECT_EQ(test::ReadFile(xlsx), "earlier");
  const Ran ran = RunApart(kHost + " screen --json --db " + ShellWord(books.database()) +
                           " --xlsx " + ShellWord(xlsx) + " --overwrite");
  ASSERT_EQ(ran.exit_code, 0) << ran.err;
  EXPECT_NE(ran.err.find("替换"), std::string::npos) << "the report says a file was replaced";
  const json j = test::ParseJson(ran.out);
  EXPECT_EQ(j["year"], 2023);
  auto tests = TestsById(j);
  ASSERT_EQ(tests.size(), 14u);
  EXPECT_EQ(tests["weekend-holiday"]["items"], 1) << "the adjusted Saturday is a working day";
  EXPECT_EQ(tests["approval"]["items"], 1);
  EXPECT_EQ(tests["benford"]["status"], "skipped");
  EXPECT_EQ(tests["round-amount"]["items"], 2);
  EXPECT_EQ(tests["negative-amount"]["items"], 0) << "the void posting takes no part";
  for (const json& item : j["items"]) {
    if (item["test"] != "weekend-holiday") continue;
    EXPECT_EQ(item["reason"], "周日");
    EXPECT_EQ(item["voucher"],
              json({{"year", 2023}, {"month", 6}, {"type", "记"}, {"number", "1"}}));
    EXPECT_EQ(item["date"], "2023-06-11");
    ASSERT_EQ(item["postings"].size(), 2u);
    EXPECT_EQ(item["postings"][0]["row"], 1);
    EXPECT_EQ(item["postings"][0]["summary"], "=SUM(A1:A2)");
  }

  const Ran read = RunApart("python3 " + ShellWord(kReader) + " " + ShellWord(xlsx));
  ASSERT_EQ(read.exit_code, 0) << read.err;
  const json wb = test::ParseJson(read.out);
  std::map<std::string, json> sheets;
  for (const json& s : wb["sheets"]) sheets[s["name"]] = s;
  ASSERT_TRUE(sheets.count("概览"));
  ASSERT_TRUE(sheets.count("节假日和周末记账"));
  ASSERT_TRUE(sheets.count("本福特"));
  const json& weekend = sheets["节假日和周末记账"];
  EXPECT_EQ(weekend["rows"], 3) << "a header and the voucher's two postings";
  EXPECT_TRUE(weekend["frozen"]);
  EXPECT_EQ(weekend["autofilter"], "A1:N3");
  EXPECT_EQ(weekend["formulas"], 0);
  const json& first = weekend["first"][1];
  EXPECT_EQ(first["I"]["v"], "=SUM(A1:A2)") << "a summary stays text";
  EXPECT_EQ(first["I"]["t"], "s");
  EXPECT_EQ(first["C"]["t"], "n") << "the date is an Excel date";
  EXPECT_EQ(first["C"]["v"], 45088);  // 2023-06-11
  EXPECT_EQ(first["J"]["v"], 50000);
  bool money = false;
  for (const json& f : wb["numFmts"]) money = money || f == "#,##0.00";
  EXPECT_TRUE(money);
  ASSERT_EQ(wb["charts"].size(), 2u);
  EXPECT_TRUE(wb["charts"][0]["bar"]);
  EXPECT_EQ(wb["charts"][0]["series"], 2);
}

TEST(ScreenCommand, RefusesWrongParametersBeforeAnyWork) {
  test::TempDir dir;
  test::WriteFile(dir.path() + "empty.txt", "\n \n");
  test::WriteFile(dir.path() + "gbk.txt", "\xB5\xF7\xD5\xFB\n");
  const std::string missing_db = dir.path() + "none.mdb";
  const struct {
    std::string args, option, value;
  } cases[] = {
      {"--materiality abc", "--materiality", "abc"},
      {"--materiality -5", "--materiality", "-5"},
      {"--round-unit x", "--round-unit", "x"},
      {"--round-unit 0", "--round-unit", "0"},
      {"--round-min -1", "--round-min", "-1"},
      {"--rare-preparer 0", "--rare-preparer", "0"},
      {"--rare-pair -2", "--rare-pair", "-2"},
      {"--seldom 1.5", "--seldom", "1.5"},
      {"--period-end-days 0", "--period-end-days", "0"},
      {"--duplicate-days -1", "--duplicate-days", "-1"},
      {"--max-listed -1", "--max-listed", "-1"},
      {"--keywords " + dir.path() + "nothere.txt", "--keywords", "nothere.txt"},
      {"--keywords " + dir.path() + "empty.txt", "--keywords", "empty.txt"},
      {"--keywords " + dir.path() + "gbk.txt", "--keywords", "gbk.txt"},
      {"--xlsx " + dir.path() + "no/such/dir/a.xlsx", "--xlsx", "a.xlsx"},
      {"--column postings.colour=颜色", "--column", "colour"},
  };
  for (const auto& c : cases) {
    // The database is missing: a parameter refused first proves it is checked first.
    const Ran ran = RunApart(kHost + " screen --db " + ShellWord(missing_db) + " " + c.args);
    EXPECT_EQ(ran.exit_code, 2) << c.args;
    EXPECT_NE(ran.err.find(c.option), std::string::npos) << c.args << ": " << ran.err;
    EXPECT_NE(ran.err.find(c.value), std::string::npos) << c.args << ": " << ran.err;
  }

  // A database without GSSM.txt beside it: where the description was looked for, and
  // --gssm, as check says; a --gssm naming no file is named.
  test::MakeDir(dir.path() + "alone");
  const test::ConvertedBooks books(ScreenBooks());
  ASSERT_TRUE(books.converted());
  const std::string lone = dir.path() + "alone/lone.mdb";
  test::WriteFile(lone, test::ReadFile(books.database()));
  Ran ran = RunApart(kHost + " screen --db " + ShellWord(lone));
  EXPECT_EQ(ran.exit_code, 2) << ran.err;
  for (const std::string& part : {std::string("找不到格式说明文件 GSSM.txt：测试按它查找"),
                                  std::string("alone/GSSM.txt 不存在"), std::string("--gssm")})
    EXPECT_NE(ran.err.find(part), std::string::npos) << part << "\n" << ran.err;
  ran = RunApart(kHost + " screen --db " + ShellWord(lone) + " --gssm " +
                 ShellWord(dir.path() + "x.txt"));
  EXPECT_EQ(ran.exit_code, 2) << ran.err;
  EXPECT_NE(ran.err.find("--gssm 给出的文件不存在"), std::string::npos) << ran.err;
  ran = RunApart(kHost + " screen --db " + ShellWord(lone) + " --gssm " +
                 ShellWord(books.description()));
  EXPECT_EQ(ran.exit_code, 0) << ran.err;
}

// Amounts as auditors write them, a calendar file, the preparer; and what is not.
TEST(ScreenCommand, TakesAmountsAsAuditorsWriteThemAndCalendarFiles) {
  const test::ConvertedBooks books(ScreenBooks());
  ASSERT_TRUE(books.converted());
  test::TempDir dir;
  test::WriteFile(dir.path() + "cal.csv", "日期,类型,名称\n2021-05-08,休,公司假日\n");
  const Ran ran = RunApart(kHost + " screen --json --db " + ShellWord(books.database()) +
                           " --materiality 5万 --round-unit 1,000 --round-min １０，０００" +
                           " --holidays " + ShellWord(dir.path() + "cal.csv"));
  ASSERT_EQ(ran.exit_code, 0) << ran.err;
  const json j = test::ParseJson(ran.out);
  EXPECT_EQ(j["parameters"]["materiality"], "50000.00");
  EXPECT_EQ(j["parameters"]["round_unit"], "1000.00");
  EXPECT_EQ(j["parameters"]["round_min"], "10000.00");
  ASSERT_EQ(j["parameters"]["calendars"].size(), 2u);
  EXPECT_EQ(TestsById(j)["weekend-holiday"]["items"], 2)
      << "the adjusted working Saturday 2021-05-08 is now a day off";

  test::WriteFile(dir.path() + "bad.csv", "2023-06-12,休\n2023-06-31,休\n");
  const struct {
    std::string args, says;
  } refused[] = {
      {"--materiality 50千", "50千"},
      {"--round-unit 1,00", "1,00"},
      {"--holidays " + ShellWord(dir.path() + "bad.csv"), "bad.csv 第 2 行"},
      {"--max-findings 3", "--max-listed"},
  };
  for (const auto& c : refused) {
    const Ran r = RunApart(kHost + " screen --db " + ShellWord(books.database()) + " " + c.args);
    EXPECT_EQ(r.exit_code, 2) << c.args;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << c.args << ": " << r.err;
  }
  const Ran check =
      RunApart(kHost + " check --db " + ShellWord(books.database()) + " --max-listed 3");
  EXPECT_EQ(check.exit_code, 2);
  EXPECT_NE(check.err.find("--max-findings"), std::string::npos) << check.err;
}

// A summary longer than a cell holds: cut visibly in every cell it fills, counted on the
// cover, whole in the JSON.
TEST(ScreenCommand, ASummaryLongerThanACellIsCutVisiblyAndKeptWholeInTheJson) {
  QORU_SKIP_UNLESS_POSIX(
      "reads the workbook back with python3 (tests/screening/read_xlsx.py), a Linux program here");
  test::TinyBooks b = ScreenBooks();
  std::string summary = "调整";
  for (int i = 0; i < 39998; ++i) summary += "账";
  b.postings[1][4] = summary;
  const test::ConvertedBooks books(b);
  ASSERT_TRUE(books.converted());
  test::TempDir dir;
  const std::string xlsx = dir.path() + "w.xlsx";
  const Ran ran = RunApart(kHost + " screen --json --db " + ShellWord(books.database()) +
                           " --xlsx " + ShellWord(xlsx));
  ASSERT_EQ(ran.exit_code, 0) << ran.err;
  std::size_t longest = 0;
  const json j = test::ParseJson(ran.out);
  for (const json& item : j["items"])
    for (const json& p : item["postings"])
      longest = std::max(longest, p["summary"].get<std::string>().size());
  EXPECT_EQ(longest, summary.size()) << "the JSON keeps the whole summary";

  const json wb = test::ReadWorkbook(xlsx, 100);
  int cut = 0;
  double counted = -1;
  for (const json& sheet : wb["sheets"])
    for (const json& row : sheet["first"])
      for (const auto& [column, cell] : row.items()) {
        if (cell["v"].is_string() &&
            cell["v"].get<std::string>().find("…（已截断，全文 40000 字）") != std::string::npos)
          ++cut;
        if (sheet["name"] == "概览" && column == "A" && cell["v"] == "截断的单元格")
          counted = row["C"]["v"].get<double>();
      }
  EXPECT_GE(cut, 1) << "the keyword test lists the posting";
  EXPECT_EQ(counted, cut);
}

TEST(ScreenCommand, AFailedWorkpaperLeavesTheEarlierFileAndNoTemporaryOne) {
  QORU_SKIP_UNLESS_POSIX("a process cannot be given a file size limit on Windows");
  const test::ConvertedBooks books(ScreenBooks());
  ASSERT_TRUE(books.converted());
  test::TempDir dir;
  const std::string xlsx = dir.path() + "out.xlsx";
  test::WriteFile(xlsx, "earlier");
  // A file size limit of 1 KB makes the workbook's writes fail half-way.
  const Ran ran = RunApart("ulimit -f 1; " + kHost + " screen --db " + ShellWord(books.database()) +
                           " --xlsx " + ShellWord(xlsx) + " --overwrite");
  EXPECT_EQ(ran.exit_code, 2) << ran.err;
  EXPECT_NE(ran.err.find(xlsx), std::string::npos) << ran.err;
  EXPECT_EQ(test::ReadFile(xlsx), "earlier");
  std::size_t files = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
    (void)e;
    ++files;
  }
  EXPECT_EQ(files, 1u);
}

TEST(Workpaper, ContinuesOnFurtherSheetsPastTheRowLimit) {
  QORU_SKIP_UNLESS_POSIX(
      "reads the workbook back with python3 (tests/screening/read_xlsx.py), a Linux program here");
  const test::ConvertedBooks books(ScreenBooks());
  ASSERT_TRUE(books.converted());
  const screening::ScreenBook book =
      screening::LoadScreenBook(books.database(), books.description(), {}, "tiny");
  screening::ScreenParameters p;
  p.keywords = screening::DefaultKeywords();
  p.round_min = checks::Amount::FromUnits(0, 0);
  p.round_unit = checks::Amount::FromUnits(1, 2);  // every posting with a side
  const screening::ScreenReport report = screening::RunScreening(book, p);
  ASSERT_EQ(report[screening::TestId::kRoundAmount].items.size(), 4u);
  test::TempDir dir;
  const std::size_t saved = screening::g_workpaper_rows_per_sheet;
  screening::g_workpaper_rows_per_sheet = 3;
  screening::WriteWorkpaper(dir.path() + "w.xlsx", book, report, {});
  screening::g_workpaper_rows_per_sheet = saved;
  const test::Ran read =
      RunCommand("python3 " + ShellWord(kReader) + " " + ShellWord(dir.path() + "w.xlsx"), false);
  const json wb = test::ParseJson(read.out);
  std::map<std::string, int> rows;
  for (const json& s : wb["sheets"]) rows[s["name"]] = s["rows"];
  EXPECT_EQ(rows["整数金额"], 4);
  EXPECT_EQ(rows["整数金额（2）"], 2);
}

}  // namespace
}  // namespace qoru

namespace qoru {
namespace {

// The workpaper opens in LibreOffice (headless) when it is installed: converted to an
// OpenDocument spreadsheet, it keeps its sheets and the Benford chart.
TEST(Workpaper, OpensInLibreOfficeWithItsChart) {
#if QORU_SANITIZED
  GTEST_SKIP() << "LibreOffice's reading of the workbook is checked in the optimised build; "
                  "the sanitizers watch the writing in the other workpaper tests";
#endif
  if (test::RunCommand("command -v soffice", false).exit_code != 0)
    GTEST_SKIP() << "LibreOffice (soffice) is not installed";
  const test::ConvertedBooks books(ScreenBooks());
  ASSERT_TRUE(books.converted());
  test::TempDir dir;
  const std::string xlsx = dir.path() + "w.xlsx";
  ASSERT_EQ(
      RunApart(kHost + " screen --db " + ShellWord(books.database()) + " --xlsx " + ShellWord(xlsx))
          .exit_code,
      0);
  const test::Ran converted = test::RunCommand(
      "cd " + ShellWord(dir.path()) +
          " && timeout 300 soffice --headless --norestore -env:UserInstallation=file://" +
          dir.path() + "profile --convert-to ods w.xlsx",
      true);
  ASSERT_EQ(converted.exit_code, 0) << converted.out;
  const test::Ran listed = test::RunCommand(
      "python3 -c \"import sys, zipfile; z = zipfile.ZipFile(sys.argv[1]); "
      "c = z.read('content.xml').decode(); "
      "charts = [n for n in z.namelist() if n.startswith('Object') and n.endswith('content.xml') "
      "and b'chart:chart' in z.read(n)]; "
      "print(len(charts), c.count('<table:table ') >= 3, '本福特' in c, '概览' in c)\" " +
          ShellWord(dir.path() + "w.ods"),
      true);
  EXPECT_EQ(listed.out, "2 True True True\n");
}

}  // namespace
}  // namespace qoru
