// A sample's workpaper as an auditor uses it: printed and traced back to the files it
// was drawn from, filled in (as LibreOffice saves it, too) and evaluated, and refused
// for evaluation once the book set has changed.
#include <gtest/gtest.h>

#include <set>

#include <nlohmann/json.hpp>

#include "sampling/sampled_book_set.h"
#include "test_support/command.h"
#include "test_support/db_fixture.h"
#include "test_support/programs.h"
#include "test_support/system.h"
#include "test_support/temp_dir.h"
#include "test_support/workbook_reader.h"

namespace qoru {
namespace {

using nlohmann::json;
using test::kFillAudited;
using test::kHost;
using test::RunApart;
using test::ShellWord;
using Ran = test::RanApart;
using U128 = unsigned __int128;

class SampleWorkpaper : public test::SampledBookSet {};

TEST_F(SampleWorkpaper, WorkpaperIsFilledInAndEvaluatedAsSavedByLibreOffice) {
  QORU_SKIP_UNLESS_POSIX("fills the workpaper in with python3 and re-saves it with LibreOffice");
  test::TempDir out;
  const std::string xlsx = out / "抽样.xlsx";
  const Ran drawn =
      Sample("--json --tolerable 3000000 --seed 8 --threshold 200000 --xlsx " + ShellWord(xlsx));
  ASSERT_EQ(drawn.exit_code, 0) << drawn.err;
  const json plan = test::ParseJson(drawn.out);
  // Not replaced by surprise; replaced with --overwrite.
  const Ran again = Sample("--size 3 --seed 1 --xlsx " + ShellWord(xlsx));
  EXPECT_EQ(again.exit_code, 2);
  EXPECT_NE(again.err.find("--overwrite"), std::string::npos) << again.err;

  // No audited amounts yet.
  const Ran empty = RunApart(kHost + " sample --evaluate " + ShellWord(xlsx));
  EXPECT_EQ(empty.exit_code, 2);
  EXPECT_NE(empty.err.find("没有审定金额"), std::string::npos) << empty.err;

  // One misstatement: the first sampled item below J audited at half its book value.
  const U128 interval = std::stoull(plan["plan"]["interval_units"].get<std::string>());
  std::size_t index = 0;
  double book = 0;
  for (const json& item : plan["selected"]) {
    const double amount = std::stod(item["amount"].get<std::string>());
    if (item["stratum"] == "sample" && amount * 100 < static_cast<double>(interval)) {
      index = item["index"];
      book = amount;
      break;
    }
  }
  ASSERT_GT(index, 0u);
  const std::string filled = out / "filled.xlsx";
  const std::string before = test::ReadFile(xlsx);
  const std::int64_t book_cents = std::llround(book * 100), audited_cents = book_cents / 2;
  const std::string audited = std::to_string(audited_cents / 100) + "." +
                              std::to_string(100 + audited_cents % 100).substr(1);
  ASSERT_EQ(
      test::RunCommand("python3 " + ShellWord(kFillAudited) + " " + ShellWord(xlsx) + " " +
                       ShellWord(filled) + " --all-book " + std::to_string(index) + "=" + audited)
          .exit_code,
      0);
  const Ran evaluated = RunApart(kHost + " sample --json --evaluate " + ShellWord(filled));
  ASSERT_EQ(evaluated.exit_code, 0) << evaluated.err;
  json e = test::ParseJson(evaluated.out);
  EXPECT_EQ(e["misstated"], 1);
  const double j_value = static_cast<double>(interval) / 100;
  const double t =
      static_cast<double>(book_cents - audited_cents) / static_cast<double>(book_cents);
  const double r0 = -std::log(0.05), r1 = 4.743864518;
  EXPECT_NEAR(e["overstatement"]["taints"][0]["taint"].get<double>(), t, 1e-12);
  EXPECT_NEAR(std::stod(e["overstatement"]["projected"].get<std::string>()), t * j_value, 0.006);
  EXPECT_NEAR(std::stod(e["overstatement"]["basic_precision"].get<std::string>()), r0 * j_value,
              0.006);
  EXPECT_NEAR(std::stod(e["overstatement"]["incremental_allowance"].get<std::string>()),
              (r1 - r0 - 1) * t * j_value, 0.006);
  EXPECT_NEAR(std::stod(e["overstatement"]["upper_limit"].get<std::string>()),
              t * j_value + r0 * j_value + (r1 - r0 - 1) * t * j_value, 0.02);
  EXPECT_EQ(test::ReadFile(xlsx), before) << "the workpaper itself is only read";

  // The same file saved by LibreOffice evaluates alike, and an evaluation workpaper is written.
  const std::string lo_dir = out / "lo";
  const test::Ran lo =
      test::RunCommand("cd " + ShellWord(out.path()) + " && HOME=" + ShellWord(out.path()) +
                       " timeout 180 soffice --headless --convert-to xlsx --outdir lo filled.xlsx");
  ASSERT_EQ(lo.exit_code, 0) << lo.out;
  const Ran lo_evaluated =
      RunApart(kHost + " sample --json --evaluate " + ShellWord(lo_dir + "/filled.xlsx") +
               " --xlsx " + ShellWord(out / "评价.xlsx"));
  ASSERT_EQ(lo_evaluated.exit_code, 0) << lo_evaluated.err;
  json le = test::ParseJson(lo_evaluated.out);
  // The record of each evaluation names what it read: the workpaper, and the book set's
  // files as the sample recorded them.
  for (const json* run : {&e, &le}) {
    const json& files = (*run)["provenance"]["files"];
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0]["role"], "抽样工作底稿");
    EXPECT_EQ(files[1]["sha256"], plan["provenance"]["files"][0]["sha256"]);
    EXPECT_EQ(files[2]["sha256"], plan["provenance"]["files"][1]["sha256"]);
  }
  EXPECT_EQ(le["files_written"], json::array({out / "评价.xlsx"}));
  le["workpaper"] = e["workpaper"];
  for (const char* key : {"provenance", "files_written"}) {
    le.erase(key);
    e.erase(key);
  }
  EXPECT_EQ(le, e);
  EXPECT_TRUE(test::ReadFile(out / "评价.xlsx").size() > 1000);
  // The evaluation never writes to the workpaper it reads.
  const Ran onto = RunApart(kHost + " sample --evaluate " + ShellWord(filled) +
                            " --overwrite --xlsx " + ShellWord(filled));
  EXPECT_EQ(onto.exit_code, 2);

  // Edited beyond the auditor's columns: refused.
  const std::string edited = out / "edited.xlsx";
  ASSERT_EQ(test::RunCommand("python3 " + ShellWord(kFillAudited) + " " + ShellWord(xlsx) + " " +
                             ShellWord(edited) + " --all-book --edit 1=账面金额=1")
                .exit_code,
            0);
  const Ran refused = RunApart(kHost + " sample --evaluate " + ShellWord(edited));
  EXPECT_EQ(refused.exit_code, 2);
  EXPECT_NE(refused.err.find("校验值不符"), std::string::npos) << refused.err;
  // A text that is no amount.
  const std::string texted = out / "texted.xlsx";
  ASSERT_EQ(test::RunCommand("python3 " + ShellWord(kFillAudited) + " " + ShellWord(xlsx) + " " +
                             ShellWord(texted) + " --all-book --text 1=无")
                .exit_code,
            0);
  EXPECT_NE(RunApart(kHost + " sample --evaluate " + ShellWord(texted)).err.find("不是金额"),
            std::string::npos);
  // Texts as auditors write amounts are read as the options read them; a separator out
  // of place is no amount.
  const struct {
    std::string text;
    int exit_code;
  } texts[] = {{"１，０００．５０", 0}, {"0.5万", 0}, {"1,000.5", 0}, {"1,0000", 2}};
  for (const auto& c : texts) {
    ASSERT_EQ(test::RunCommand("python3 " + ShellWord(kFillAudited) + " " + ShellWord(xlsx) + " " +
                               ShellWord(texted) + " --all-book --text 1=" + ShellWord(c.text))
                  .exit_code,
              0);
    const Ran ran = RunApart(kHost + " sample --json --evaluate " + ShellWord(texted));
    EXPECT_EQ(ran.exit_code, c.exit_code) << c.text << ": " << ran.err;
    if (c.exit_code == 0) {
      const json j = test::ParseJson(ran.out);
      EXPECT_EQ(j["misstated"], 1) << c.text;
      EXPECT_EQ(j["misstatements"][0]["audited"], c.text == "0.5万" ? "5000.00" : "1000.50")
          << c.text;
    }
  }
}

TEST_F(SampleWorkpaper, WorkpaperPrintsAsEveryWorkpaperAndRecordsWhereItCameFrom) {
  QORU_SKIP_UNLESS_POSIX("reads the workbook with python3 and hashes with sha256sum");
  test::TempDir out;
  const std::string xlsx = out / "凭证.xlsx";
  const Ran drawn =
      Sample("--json --unit voucher --size 6 --seed 5 --preparer 张三 --xlsx " + ShellWord(xlsx));
  ASSERT_EQ(drawn.exit_code, 0) << drawn.err;
  const json j = test::ParseJson(drawn.out);
  EXPECT_EQ(j["files_written"], json::array({xlsx}));
  EXPECT_EQ(j["provenance"]["command"], "sample");
  EXPECT_EQ(j["provenance"]["preparer"], "张三");
  const json& files = j["provenance"]["files"];
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[0]["role"], "数据库");
  EXPECT_EQ(files[0]["sha256"], test::RunCommand("sha256sum " + ShellWord(db_)).out.substr(0, 64));

  const json wb = test::ReadWorkbook(xlsx, 200);
  const auto sheets = test::SheetsByName(wb);
  const std::set<std::string> titled = test::PrintTitles(wb);
  for (const json& s : wb["sheets"]) {
    const json& print = s["print"];
    EXPECT_EQ(print["orientation"], "landscape") << s["name"];
    EXPECT_EQ(print["paper"], "9") << s["name"];
    EXPECT_EQ(print["fit_width"], "1") << s["name"];
    EXPECT_NE(print["header"].get<std::string>().find("审计抽样工作底稿"), std::string::npos);
    EXPECT_EQ(print["footer"], "&C第 &P 页，共 &N 页");
    if (s["name"] == "概览") continue;
    EXPECT_TRUE(s["autofilter"].is_string()) << s["name"];
    EXPECT_TRUE(titled.count("'" + s["name"].get<std::string>() + "'!$1:$1")) << s["name"];
  }
  // 序号 层 凭证日期 凭证类型 凭证号 行号 科目编号 科目名称 摘要 借方金额 贷方金额 账面金额 ...
  const json& voucher = sheets.at("样本")["first"][1];
  EXPECT_EQ(voucher["C"]["f"], "yyyy-mm-dd") << "a date";
  EXPECT_EQ(voucher["E"]["t"], "n") << "an all-digit voucher number is a number";
  EXPECT_EQ(voucher["L"]["f"], "#,##0.00");
  const json& posting = sheets.at("样本")["first"][2];
  EXPECT_EQ(posting["F"]["t"], "n") << "a line number is a number";
  EXPECT_EQ(posting["J"]["f"], "#,##0.00");
  // The cover's provenance: the preparer and each file with its size and digest.
  bool preparer = false, database = false;
  for (const json& row : sheets.at("概览")["first"]) {
    preparer =
        preparer || (test::CellValue(row, "A") == "编制人" && test::CellValue(row, "B") == "张三");
    database = database || (test::CellValue(row, "A") == "数据库" &&
                            test::CellValue(row, "D") == files[0]["sha256"] &&
                            test::CellValue(row, "C") == files[0]["size"]);
  }
  EXPECT_TRUE(preparer);
  EXPECT_TRUE(database);
}

TEST_F(SampleWorkpaper, BookSetChangedSinceTheSampleIsRefused) {
  QORU_SKIP_UNLESS_POSIX("fills the workpaper in with python3");
  test::TempDir out;
  // A book set of its own: a copy of the database, changed after the sample.
  const std::string db = CopyBookSet(out);
  const std::string xlsx = out / "s.xlsx";
  ASSERT_EQ(RunApart(kHost + " sample --db " + ShellWord(db) + " --size 5 --seed 3 --xlsx " +
                     ShellWord(xlsx))
                .exit_code,
            0);
  const std::string filled = out / "f.xlsx";
  ASSERT_EQ(test::RunCommand("python3 " + ShellWord(kFillAudited) + " " + ShellWord(xlsx) + " " +
                             ShellWord(filled) + " --all-book")
                .exit_code,
            0);
  EXPECT_EQ(RunApart(kHost + " sample --evaluate " + ShellWord(filled)).exit_code, 0);
  test::WriteFile(out / "GSSM.txt", test::ReadFile(out / "GSSM.txt") + "\r\n");
  const Ran changed = RunApart(kHost + " sample --evaluate " + ShellWord(filled));
  EXPECT_EQ(changed.exit_code, 2);
  EXPECT_NE(changed.err.find("账套已改变"), std::string::npos) << changed.err;
}

TEST_F(SampleWorkpaper, AmountsBeyondFifteenDigitsAreWrittenAndReadBackExactly) {
  QORU_SKIP_UNLESS_POSIX("reads and fills the workbook with python3");
  test::TempDir out;
  const std::string db = CopyBookSet(out);
  // One posting of 18 integer digits, which a number cell (a double) cannot hold.
  const test::Rows first = test::SqliteRows(
      db, "SELECT rowid, 科目编号 FROM JZPZ WHERE 借方金额 + 0 > 0 ORDER BY rowid LIMIT 1");
  ASSERT_EQ(first.size(), 1u);
  test::SqliteExec(
      db, "UPDATE JZPZ SET 借方金额 = '123456789012345678.91' WHERE rowid = " + first[0][0]);
  const std::string xlsx = out / "s.xlsx";
  const Ran drawn = RunApart(kHost + " sample --db " + ShellWord(db) + " --account " + first[0][1] +
                             " --size 3 --seed 1 --xlsx " + ShellWord(xlsx));
  ASSERT_EQ(drawn.exit_code, 0) << drawn.err;
  const json wb = test::ReadWorkbook(xlsx, 50);
  // 序号 层 凭证日期 凭证类型 凭证号 行号 科目编号 科目名称 摘要 账面金额 ...
  const auto sheets = test::SheetsByName(wb);
  std::string book;
  for (const json& row : sheets.at("样本")["first"]) book += test::CellValue(row, "J").dump() + " ";
  EXPECT_NE(book.find("\"123456789012345678.91\""), std::string::npos)
      << "the book amount in full, as text: " << book;

  // Filled in and evaluated: the identities and book amounts read back agree with the
  // workpaper's digest, and the misstatement is reckoned to the cent.
  const std::string filled = out / "f.xlsx";
  ASSERT_EQ(test::RunCommand("python3 " + ShellWord(kFillAudited) + " " + ShellWord(xlsx) + " " +
                             ShellWord(filled) + " --all-book")
                .exit_code,
            0);
  const Ran evaluated = RunApart(kHost + " sample --evaluate " + ShellWord(filled));
  EXPECT_EQ(evaluated.exit_code, 0) << evaluated.err;
}

}  // namespace
}  // namespace qoru
