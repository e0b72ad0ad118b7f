// `qoru-gbtxt check` and `convert --check` as a user runs them: the same findings from
// the database and from the book set, the JSON shape, exit codes, nothing written.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include <nlohmann/json.hpp>

#include "gendata/consistent_books.h"
#include "test_support/command.h"
#include "test_support/db_fixture.h"
#include "test_support/programs.h"
#include "test_support/temp_dir.h"
#include "text/gbk_codec.h"

namespace qoru {
namespace {

using nlohmann::json;
using test::RunCommand;
using test::ShellWord;

using test::kHost;

// A generated book set in `dir`/src with the given plants.
std::string WriteBooks(const test::TempDir& dir, std::vector<std::string> plants) {
  const std::string source = dir.path() + "src";
  test::MakeDir(source);
  gen::ConsistentOptions options;
  options.postings = 600;
  options.exact_amounts = true;
  for (std::string& p : plants)
    if (!gen::PlantNeedsMonths(p)) options.plants.push_back(std::move(p));
  gen::WriteConsistentBooks(source, options);
  return source;
}

json Parse(const test::Ran& ran) {
  return test::ParseJson(ran.out);
}

TEST(CheckCommand, DatabaseAndBookSetGiveTheSameFindingsAndTheSourceIsLeftAlone) {
  test::TempDir dir;
  const std::string source = WriteBooks(dir, gen::PlantKinds());
  const std::string work = dir.path() + "work";
  const std::string scratch = dir.path() + "tmp";
  test::MakeDir(scratch);
  const test::FileSnapshot before = test::Snapshot(source);

  const test::Ran converted =
      RunCommand(kHost + " convert --face headless --check --json --source " + ShellWord(source) +
                     " --work " + ShellWord(work),
                 false);
  EXPECT_EQ(converted.exit_code, 0) << "findings do not change the conversion's exit code";
  const json from_convert = Parse(converted)["checks"];

  const test::Ran by_db =
      RunCommand(kHost + " check --json --db " + ShellWord(work + "/TemplateTemp/GBA.mdb"), false);
  const test::Ran by_source = RunCommand(
      "TMPDIR=" + ShellWord(scratch) + " " + kHost + " check --json --source " + ShellWord(source),
      false);
  EXPECT_EQ(by_db.exit_code, 1);
  EXPECT_EQ(by_source.exit_code, 1);
  const json db = Parse(by_db);
  const json src = Parse(by_source);
  for (const char* key : {"checks", "findings", "errors", "warnings"}) {
    EXPECT_EQ(db[key], src[key]) << key;
    EXPECT_EQ(db[key], from_convert[key]) << key;
  }
  for (const json& c : db["checks"])
    EXPECT_EQ(c["status"], c["id"] == "balance-continuity" ? "skipped" : "findings") << c;

  EXPECT_EQ(test::Snapshot(source), before);
  EXPECT_TRUE(std::filesystem::is_empty(scratch)) << "the temporary work area is removed";
}

TEST(CheckCommand, JsonHasTheChecksTheFindingsAndTheTotals) {
  test::TempDir dir;
  const std::string source = WriteBooks(dir, gen::PlantKinds());
  const test::Ran ran =
      RunCommand(kHost + " check --json --max-findings 1 --source " + ShellWord(source), false);
  EXPECT_EQ(ran.exit_code, 1);
  const json j = Parse(ran);
  std::vector<std::string> keys;
  for (const auto& [key, value] : j.items()) keys.push_back(key);
  EXPECT_EQ(keys, (std::vector<std::string>{"checks", "errors", "exit_code", "findings", "name",
                                            "seconds", "skipped", "warnings"}));
  EXPECT_EQ(j["name"], "src");
  EXPECT_EQ(j["exit_code"], 1);

  std::uint64_t errors = 0, warnings = 0;
  std::map<std::string, int> listed;
  ASSERT_EQ(j["checks"].size(), 13u);
  for (const json& c : j["checks"]) {
    EXPECT_TRUE(c["id"].is_string());
    EXPECT_TRUE(c["severity"] == "error" || c["severity"] == "warning") << c;
    EXPECT_TRUE(c["status"] == "ok" || c["status"] == "findings" || c["status"] == "skipped");
    EXPECT_TRUE(c["findings"].is_number_unsigned());
    (c["severity"] == "error" ? errors : warnings) += c["findings"].get<std::uint64_t>();
  }
  EXPECT_EQ(j["errors"], errors);
  EXPECT_EQ(j["warnings"], warnings);

  for (const json& f : j["findings"]) {
    const std::string check = f["check"];
    ++listed[check];
    EXPECT_TRUE(f["message"].is_string() && !f["message"].get<std::string>().empty());
    EXPECT_TRUE(f["severity"].is_string());
    if (check == "voucher-balance") {
      EXPECT_TRUE(f["voucher"]["year"].is_number_integer());
      EXPECT_TRUE(f["voucher"]["month"].is_number_integer());
      EXPECT_TRUE(f["voucher"]["type"].is_string());
      EXPECT_TRUE(f["voucher"]["number"].is_string());
      EXPECT_TRUE(f["debit"].is_string() && f["credit"].is_string());
    } else if (check == "voucher-numbering") {
      EXPECT_EQ(f["missing"], json::array({2}));
      EXPECT_FALSE(f["voucher"].contains("number"));
    } else if (check == "balance-roll-forward") {
      for (const char* k : {"table", "account", "expected", "actual"})
        EXPECT_TRUE(f[k].is_string());
      EXPECT_TRUE(f["row"].is_number_integer());
    } else if (check == "vouchers-vs-balances") {
      for (const char* k :
           {"account", "voucher_debit", "voucher_credit", "balance_debit", "balance_credit"})
        EXPECT_TRUE(f[k].is_string()) << k;
    } else if (check == "parent-sum") {
      EXPECT_TRUE(f["account"].is_string());
      EXPECT_TRUE(f["fields"].contains("debit") && f["fields"].contains("closing")) << f;
      EXPECT_FALSE(f["fields"].contains("opening"));
    } else if (check == "trial-balance") {
      EXPECT_EQ(f["which"], "opening");  // the first of the two, with --max-findings 1
      EXPECT_TRUE(f["debit"].is_string() && f["credit"].is_string());
    } else if (check == "date-out-of-year") {
      EXPECT_EQ(f["date"], "2025-12-31");
    } else if (check == "bad-value") {
      EXPECT_EQ(f["value"], "零");
      EXPECT_EQ(f["table"], "JZPZ");
    } else {
      EXPECT_TRUE(f["account"].is_string() && f["table"].is_string() && f["row"].is_number());
    }
  }
  for (const auto& [check, n] : listed) EXPECT_EQ(n, 1) << check;
  EXPECT_EQ(listed.size(), 12u) << "all but balance-continuity, which needs months";
}

TEST(CheckCommand, ExitCodesTextAndWarningsUnderStrict) {
  test::TempDir dir;
  const std::string clean = WriteBooks(dir, {});
  test::Ran ran = RunCommand(kHost + " check --source " + ShellWord(clean), false);
  EXPECT_EQ(ran.exit_code, 0) << ran.out;
  EXPECT_NE(ran.out.find("共 0 个错误、0 个警告，用时"), std::string::npos) << ran.out;

  test::TempDir warned_dir;
  const std::string warned = WriteBooks(warned_dir, {"voucher-numbering"});
  ran = RunCommand(kHost + " check --source " + ShellWord(warned), false);
  EXPECT_EQ(ran.exit_code, 0) << ran.out;
  EXPECT_NE(ran.out.find("警告 voucher-numbering JZPZ：凭证 2026-06 记 在 1 至 "),
            std::string::npos)
      << ran.out;
  EXPECT_EQ(RunCommand(kHost + " check --strict --source " + ShellWord(warned)).exit_code, 1);

  // A column named by the user that the table lacks is the user's mistake: a usage
  // error that quotes it and lists the table's columns, never a check quietly skipped.
  ran = RunCommand(kHost + " check --column postings.type=类别 --source " + ShellWord(clean));
  EXPECT_EQ(ran.exit_code, 2) << ran.out;
  EXPECT_NE(ran.out.find("--column postings.type=类别：表 JZPZ 没有列“类别”（它的列："),
            std::string::npos)
      << ran.out;

  test::WriteFile(dir.path() + "not.mdb", "not a database");
  test::MakeDir(dir.path() + "alone");
  test::WriteFile(dir.path() + "alone/GBA.mdb", "");
  const struct {
    std::string args;
    std::string expected;
  } usage[] = {
      {"check", "check 需要 --db、--source 或 --each"},
      {"check --db a --source b", "不能同时使用"},
      {"check --source " + clean + " --gssm x", "--gssm 需要与 --db 一起使用"},
      {"check --source " + clean + " --column chart.debit=x", "不属于 chart"},
      {"check --db " + dir.path() + "missing.mdb", "数据库文件不存在"},
      {"check --db " + dir.path() + "not.mdb", "无法读取数据库"},
      {"check --db " + dir.path() + "alone/GBA.mdb", "找不到格式说明文件"},
      {"check --source " + dir.path() + "nowhere", "源目录不存在"},
      {"check --max-findings x --source " + clean, "--max-findings"},
  };
  for (const auto& u : usage) {
    ran = RunCommand(kHost + " " + u.args);
    EXPECT_EQ(ran.exit_code, 2) << u.args << "\n" << ran.out;
    EXPECT_NE(ran.out.find(u.expected), std::string::npos) << u.args << "\n" << ran.out;
  }
}

TEST(CheckCommand, AFailedConversionOrNothingToCheckIsNeverASuccess) {
  test::TempDir dir;
  const std::string source = WriteBooks(dir, {});
  // A column named twice in 记账凭证 makes the conversion fail.
  std::string gssm = test::ReadFile(source + "/GSSM.txt");
  const std::string column = Gbk("凭证号,文本,40\r\n");
  const std::size_t at = gssm.find(column);
  ASSERT_NE(at, std::string::npos);
  gssm.insert(at, column);
  test::WriteFile(source + "/GSSM.txt", gssm);
  test::Ran ran = RunCommand(kHost + " check --source " + ShellWord(source));
  EXPECT_EQ(ran.exit_code, 2) << ran.out;
  EXPECT_NE(ran.out.find("转换失败"), std::string::npos) << ran.out;
  ran = RunCommand(kHost + " check --json --source " + ShellWord(source), false);
  EXPECT_EQ(ran.exit_code, 2);
  EXPECT_TRUE(Parse(ran)["error"].is_string()) << ran.out;

  // A database that holds neither postings nor balances.
  const std::string empty = dir.path() + "empty";
  test::MakeDir(empty);
  test::WriteFile(empty + "/GSSM.txt", test::ReadFile(source + "/GSSM.txt"));
  test::WriteFile(empty + "/GBA.mdb", "");  // an empty file is an empty database
  test::SqliteExec(empty + "/GBA.mdb", "create table KJKM(\"科目编号\", \"余额方向\")");
  ran = RunCommand(kHost + " check --db " + ShellWord(empty + "/GBA.mdb"));
  EXPECT_EQ(ran.exit_code, 2) << ran.out;
  EXPECT_NE(ran.out.find("既没有凭证表也没有余额表"), std::string::npos) << ran.out;
}

TEST(CheckCommand, TheBundledSampleHasOnlyItsTrueFindings) {
  // Seven accounts of the sample have auxiliary rows and no total row; their rows hold
  // exactly their postings, so none of them may be reported.
  const test::Ran ran = RunCommand(
      kHost + " check --json --max-findings 1000 --source " + ShellWord(test::kSample), false);
  EXPECT_EQ(ran.exit_code, 1);
  const json j = Parse(ran);
  std::set<std::string> reported;
  for (const json& f : j["findings"])
    if (f.contains("account")) reported.insert(f["account"].get<std::string>());
  for (const char* account : {"1122", "1604", "2202", "221101", "660101", "660202", "66020402"})
    EXPECT_EQ(reported.count(account), 0u) << account << "\n" << ran.out;
  std::uint64_t vouchers_vs_balances = 0;
  for (const json& c : j["checks"])
    if (c["id"] == "vouchers-vs-balances") vouchers_vs_balances = c["findings"];
  EXPECT_EQ(vouchers_vs_balances, 14u) << "21 before, 7 of them false";
}

}  // namespace
}  // namespace qoru
