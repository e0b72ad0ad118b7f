// What a new user meets first: argument errors that name the word and suggest the
// right one, help that gives each command's own exit codes, inspect and convert
// refusing alike, work areas refused before the run, and messages that say where the
// trouble is and what to do.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "test_support/command.h"
#include "test_support/db_fixture.h"
#include "test_support/native_path.h"
#include "test_support/programs.h"
#include "test_support/system.h"
#include "test_support/temp_dir.h"

namespace qoru {
namespace {

using test::Ran;
using test::RunCommand;
using test::ShellWord;

using test::kGendata;
using test::kHost;
using test::kSample;

void ExpectNoEnglish(const std::string& text, const std::string& context) {
  for (const char* english : {"Usage", "Options", "OPTIONS", "REQUIRED", "TEXT", "INT", "required",
                              "expected", "Error", "Run with", "not in"})
    EXPECT_EQ(text.find(english), std::string::npos) << english << " in " << context << "\n"
                                                     << text;
}

TEST(FirstHour, AnUnknownOptionIsQuotedWithTheNearestOneForEveryCommand) {
  test::TempDir tmp;
  const std::string w = " --work " + ShellWord(tmp / "w");
  const struct {
    std::string command;
    std::string expected;
  } cases[] = {
      {kHost + " convert --sorce " + kSample + w, "未知的选项 --sorce，是否要用 --source？"},
      {kHost + " convert --source " + kSample + " --wrok x",
       "未知的选项 --wrok，是否要用 --work？"},
      {kHost + " convert --source " + kSample + w + " --keepwork",
       "未知的选项 --keepwork，是否要用 --keep-work？"},
      {kHost + " convert --source " + kSample + w + " --encodng utf-8",
       "未知的选项 --encodng，是否要用 --encoding？"},
      {kHost + " inspect --sorce " + kSample, "未知的选项 --sorce，是否要用 --source？"},
      {kHost + " inspect --source " + kSample + " --jsno", "未知的选项 --jsno，是否要用 --json？"},
      {kHost + " check --dbb x.mdb", "未知的选项 --dbb，是否要用 --db？"},
      {kHost + " check --source " + kSample + " --strcit",
       "未知的选项 --strcit，是否要用 --strict？"},
      {kHost + " check --source " + kSample + " --colum a.b=c",
       "未知的选项 --colum，是否要用 --column？"},
      {kHost + " check --source " + kSample + " --frobnicate",
       "未知的选项 --frobnicate（check 的选项："},
      {kHost + " convrt --source x", "未知的子命令 convrt，是否要用 convert？"},
      {kHost + " --bogus", "未知的选项 --bogus"},
      {kHost + " inspect --source " + kSample + " --encoding latin1",
       "--encoding 的值无效：latin1（可选 gbk、utf-8、auto）"},
      {kGendata + " consistent --out x --postngs 10",
       "未知的选项 --postngs，是否要用 --postings？"},
      {kGendata + " dataset --outt x", "未知的选项 --outt，是否要用 --out？"},
      {kGendata + " sampel --out x", "未知的子命令 sampel，是否要用 sample？"},
      {kGendata + " consistent", "缺少必需的选项 --out"},
  };
  for (const auto& c : cases) {
    const Ran ran = RunCommand(c.command);
    EXPECT_EQ(ran.exit_code, 2) << c.command << "\n" << ran.out;
    EXPECT_NE(ran.out.find(c.expected), std::string::npos) << c.command << "\n" << ran.out;
    ExpectNoEnglish(ran.out, c.command);
  }
  EXPECT_FALSE(std::filesystem::exists(tmp / "w")) << "a refused call prepares no work area";
}

TEST(FirstHour, EachCommandsHelpGivesItsOwnExitCodesInChinese) {
  const struct {
    std::string command;
    std::string own;      // its exit codes
    std::string foreign;  // another command's
  } cases[] = {
      {kHost + " convert --help", "1 转换未成功", "1 转换会失败"},
      {kHost + " inspect --help", "1 转换会失败", "1 转换未成功"},
      {kHost + " check --help", "1 有错误级的问题", "1 转换未成功"},
      {kGendata + " --help", "退出码：0 已生成", "转换"},
      {kGendata + " consistent --help", "退出码：0 已生成", "转换未成功"},
      {kGendata + " dataset --help", "退出码：0 已生成", "转换未成功"},
  };
  for (const auto& c : cases) {
    const Ran ran = RunCommand(c.command);
    EXPECT_EQ(ran.exit_code, 0) << c.command;
    EXPECT_NE(ran.out.find(c.own), std::string::npos) << c.command << "\n" << ran.out;
    EXPECT_EQ(ran.out.find(c.foreign), std::string::npos) << c.command << "\n" << ran.out;
    EXPECT_NE(ran.out.find("用法"), std::string::npos) << ran.out;
    ExpectNoEnglish(ran.out, c.command);
  }
}

TEST(FirstHour, InspectAndConvertRefuseTheSameSourcesInTheSameWords) {
  test::TempDir tmp;
  test::MakeDir(tmp / "no-description");
  test::WriteFile(tmp / "no-description/KJKM.txt", "1001\t现金\r\n");
  test::MakeDir(tmp / "lower-case");
  std::filesystem::copy(kSample, tmp / "lower-case");
  std::filesystem::rename(tmp / "lower-case/GSSM.txt", tmp / "lower-case/gssm.txt");
  test::WriteFile(tmp / "a-file", "");
  const struct {
    std::string source;
    std::string words;
  } cases[] = {
      {tmp / "no-description", "不是账套文本数据：其中没有格式说明文件 GSSM.txt"},
      {tmp / "lower-case", "格式说明文件名是 gssm.txt，必须是 GSSM.txt"},
      {tmp / "a-file", "源路径不是目录"},
      {tmp / "nowhere", "源目录不存在"},
  };
  for (const auto& c : cases) {
    // Windows' file names ignore case: there gssm.txt is GSSM.txt.
    if (c.source == tmp / "lower-case" && !test::PosixSystem()) continue;
    const Ran convert = test::RunConvert(c.source, tmp / "w");
    const Ran inspect = RunCommand(kHost + " inspect --source " + ShellWord(c.source));
    EXPECT_EQ(convert.exit_code, 2) << convert.out;
    EXPECT_EQ(inspect.exit_code, 2) << inspect.out;
    EXPECT_EQ(inspect.out, convert.out) << c.source;
    EXPECT_NE(convert.out.find(c.words), std::string::npos) << convert.out;
  }
  // A scratch area that cannot be made is refused by both before anything is read.
  const std::string unwritable = "/proc/self";
  const Ran inspect =
      RunCommand("TMPDIR=" + unwritable + " " + kHost + " inspect --source " + kSample);
  EXPECT_EQ(inspect.exit_code, 2) << inspect.out;
  EXPECT_NE(inspect.out.find("不可写"), std::string::npos) << inspect.out;
  const Ran convert =
      RunCommand(kHost + " convert --face headless --source " + kSample + " --work /proc/self/w");
  EXPECT_EQ(convert.exit_code, 2) << convert.out;
}

TEST(FirstHour, AMissingTableFileIsNamedInTheSourceFolder) {
  test::TempDir tmp;
  std::filesystem::copy(kSample, tmp / "books");
  std::filesystem::remove(tmp / "books/WLDW.txt");
  const Ran ran = test::RunConvert(tmp / "books", tmp / "w");
  EXPECT_EQ(ran.exit_code, 1) << ran.out;
  EXPECT_NE(test::OneSeparator(ran.out).find(
                test::OneSeparator("它应在 " + tmp.path() + "books/WLDW.txt")),
            std::string::npos)
      << ran.out;
  EXPECT_EQ(ran.out.find("TemplateTemp/WLDW.txt"), std::string::npos) << ran.out;
}

TEST(FirstHour, KeepWorkOverAnotherBookSetIsRefusedAndTheSameOneIsNot) {
  test::TempDir tmp;
  ASSERT_EQ(
      RunCommand(kGendata + " consistent --postings 300 --out " + ShellWord(tmp / "b")).exit_code,
      0);
  const auto convert = [&](const std::string& source, const std::string& extra) {
    return test::RunConvert(source, tmp / "w", extra);
  };
  ASSERT_EQ(convert(kSample, "").exit_code, 0);
  const Ran other = convert(tmp / "b", " --keep-work");
  EXPECT_EQ(other.exit_code, 2) << other.out;
  EXPECT_NE(other.out.find("--keep-work"), std::string::npos) << other.out;
  EXPECT_NE(other.out.find("两个账套会混在一个数据库中"), std::string::npos) << other.out;
  const Ran same = convert(kSample, " --keep-work");
  EXPECT_EQ(same.exit_code, 0) << same.out;

  // A run that stops before the import describes no database, though the earlier one
  // stays in the work area.
  const Ran stopped = convert(kSample, " --keep-work --encoding utf-8");
  EXPECT_EQ(stopped.exit_code, 1) << stopped.out;
  EXPECT_NE(stopped.out.find("没有暂存数据库"), std::string::npos) << stopped.out;
  EXPECT_EQ(stopped.out.find("表和行数"), std::string::npos) << stopped.out;
  EXPECT_NE(stopped.out.find("不是有效的 UTF-8 文本"), std::string::npos) << stopped.out;
}

TEST(FirstHour, CheckSaysWhereItLookedAndCountsWhatItSkipped) {
  test::TempDir tmp;
  ASSERT_EQ(
      RunCommand(kGendata + " consistent --postings 300 --out " + ShellWord(tmp / "b")).exit_code,
      0);
  ASSERT_EQ(test::RunConvert(tmp / "b", tmp / "w").exit_code, 0);
  const std::string db = tmp / "w/TemplateTemp/GBA.mdb";
  std::filesystem::copy_file(db, tmp / "lone.mdb");

  const Ran lone = RunCommand(kHost + " check --db " + ShellWord(tmp / "lone.mdb"));
  EXPECT_EQ(lone.exit_code, 2) << lone.out;
  EXPECT_NE(test::OneSeparator(lone.out).find(test::OneSeparator(tmp.path() + "GSSM.txt")),
            std::string::npos)
      << lone.out;
  EXPECT_NE(lone.out.find("请用 --gssm 指定它"), std::string::npos) << lone.out;

  const Ran column = RunCommand(kHost + " check --db " + ShellWord(db) +
                                " --column postings.date=业务日期 --strict");
  EXPECT_EQ(column.exit_code, 2) << column.out;
  EXPECT_NE(column.out.find("--column postings.date=业务日期：表 JZPZ 没有列“业务日期”"),
            std::string::npos)
      << column.out;
  EXPECT_NE(column.out.find("凭证日期"), std::string::npos) << "lists the table's columns";
  const Ran source_column = RunCommand(kHost + " check --source " + ShellWord(tmp / "b") +
                                       " --column postings.date=业务日期");
  EXPECT_EQ(source_column.exit_code, 2) << source_column.out;

  // A book set without the year column: the year check and, without a month column, the
  // month-to-month check are skipped.
  test::SqliteExec(db, "ALTER TABLE KMYE DROP COLUMN 会计年度");
  const Ran lenient = RunCommand(kHost + " check --db " + ShellWord(db));
  EXPECT_EQ(lenient.exit_code, 0) << lenient.out;
  EXPECT_NE(lenient.out.find("2 项检查跳过"), std::string::npos) << lenient.out;
  const Ran strict = RunCommand(kHost + " check --db " + ShellWord(db) + " --strict");
  EXPECT_EQ(strict.exit_code, 1) << strict.out;
  const Ran json = RunCommand(kHost + " check --db " + ShellWord(db) + " --json", false);
  EXPECT_NE(json.out.find("\"skipped\": 2"), std::string::npos) << json.out;
}

}  // namespace
}  // namespace qoru
