// What the audited party, who writes the book set, or a crafted path can make the
// command line do: nothing outside the run's own files. Each case names the attack and
// what the user gets instead: a refusal (exit 2) naming the place, or a run that keeps
// to its own work area.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <string>

#include "test_support/command.h"
#include "test_support/db_fixture.h"
#include "test_support/programs.h"
#include "test_support/system.h"
#include "test_support/temp_dir.h"
#include "text/gbk_codec.h"

namespace qoru {
namespace {

using test::kHost;
using test::RanApart;
using test::RunApart;
using test::ShellWord;

// The sample book set copied to `dir`.
void CopySample(const std::string& dir) {
  ASSERT_EQ(test::RunCommand("cp -r " + ShellWord(test::kSample) + " " + ShellWord(dir)).exit_code,
            0);
}

// The sample book set copied to `dir`, its GSSM.txt line `line` (from 1) replaced by
// `text` (bytes as they stand).
void SampleWithLine(const std::string& dir, int line, const std::string& text) {
  CopySample(dir);
  const std::string gssm = test::ReadFile(dir + "/GSSM.txt");
  std::string out;
  int number = 1;
  for (std::size_t start = 0; start < gssm.size(); ++number) {
    const std::size_t end = gssm.find('\n', start);
    std::string row = gssm.substr(start, end == std::string::npos ? end : end - start + 1);
    if (number == line) row = text + "\r\n";
    out += row;
    start = end == std::string::npos ? gssm.size() : end + 1;
  }
  test::WriteFile(dir + "/GSSM.txt", out);
}

RanApart Host(const std::string& args) {
  return RunApart(kHost + " " + args);
}

TEST(BookSetRefusals, AFileNameLineThatWouldBecomeSqlIsRefusedAndTheVictimStaysUntouched) {
  QORU_SKIP_UNLESS_POSIX("the attack's file names hold characters Windows refuses");
  test::TempDir tmp;
  const std::string victim = tmp / "victim.db";
  test::WriteFile(victim, "");
  test::SqliteExec(victim, "create table kept(v); insert into kept values ('mine')");
  const std::string before = test::ReadFile(victim);
  // The [部门] section's file-name line (line 38 of the sample) becomes SQL text, with
  // the two files its pieces name beside it.
  const std::string src = tmp / "src";
  SampleWithLine(src, 38, "[A.txt=] in '" + victim + "' from B#txt --abcd");
  test::WriteFile(src + "/[A.txt", test::ReadFile(src + "/BMDA.txt"));
  test::WriteFile(src + "/B.txt", "x\r\n");

  for (const std::string& args :
       {"convert --face headless --source " + ShellWord(src) + " --work " + ShellWord(tmp / "w"),
        "check --source " + ShellWord(src), "screen --source " + ShellWord(src)}) {
    const RanApart ran = Host(args);
    EXPECT_EQ(ran.exit_code, 2) << args << "\n" << ran.err;
    for (const char* word : {"GSSM.txt 第 38 行", "[部门]", "其中有“="})
      EXPECT_NE(ran.err.find(word), std::string::npos) << args << ": " << word << "\n" << ran.err;
    EXPECT_EQ(test::ReadFile(victim), before) << args;
  }
  const RanApart inspected = Host("inspect --source " + ShellWord(src));
  EXPECT_EQ(inspected.exit_code, 1) << inspected.err;
  EXPECT_NE(inspected.out.find("GSSM.txt 第 38 行"), std::string::npos) << inspected.out;
  EXPECT_EQ(test::ReadFile(victim), before);
}

TEST(BookSetRefusals, ASourceInsideTheWorkAreaIsRefusedBeforeAnythingIsEmptied) {
  QORU_SKIP_UNLESS_POSIX("the shell's cp");
  test::TempDir tmp;
  const std::string work = tmp / "w";
  test::MakeDir(work);
  CopySample(work + "/TemplateTemp");
  for (const char* name : {"GSSM.txt", "KJKM.txt", "KMYE.txt", "JZPZ.txt"})
    test::WriteFile(work + "/" + name, test::ReadFile(work + "/TemplateTemp/" + name));
  const test::FileSnapshot before = test::Snapshot(work);
  for (const std::string& source : {work + "/TemplateTemp", work + "/TemplateTemp/", work}) {
    for (const char* keep : {"", " --keep-work"}) {
      const RanApart ran = Host("convert --face headless --source " + ShellWord(source) +
                                " --work " + ShellWord(work) + keep);
      EXPECT_EQ(ran.exit_code, 2) << source << keep << "\n" << ran.err;
      EXPECT_NE(ran.err.find("已拒绝"), std::string::npos) << ran.err;
      EXPECT_EQ(test::Snapshot(work), before) << source << keep << ": the source was touched";
    }
  }
}

TEST(BookSetRefusals, AWorkPathThatLooksLikeAUriIsAPathAndTouchesNothingElse) {
  QORU_SKIP_UNLESS_POSIX("the shell's cd");
  test::TempDir tmp;
  ASSERT_EQ(test::RunConvert(test::kSample, tmp / "wk").exit_code, 0);
  const test::FileSnapshot before = test::Snapshot(tmp / "wk");
  const auto ran = test::RunCommand("cd " + ShellWord(tmp.path()) + " && " + kHost +
                                    " convert --face headless --source " +
                                    ShellWord(test::kSample) + " --work file:wk");
  EXPECT_EQ(ran.exit_code, 0) << ran.out;
  EXPECT_EQ(test::Snapshot(tmp / "wk"), before) << "the other work area was touched";
  EXPECT_EQ(test::SqliteRows(tmp / "file:wk/TemplateTemp/GBA.mdb",
                             "select count(*) from sqlite_master where name = 'aidVour'")[0][0],
            "1");
}

TEST(BookSetRefusals, ANulByteInATableIsRefusedWithItsPlaceByConvertAndInspect) {
  QORU_SKIP_UNLESS_POSIX("the shell's cp");
  test::TempDir tmp;
  const std::string src = tmp / "src";
  CopySample(src);
  std::string vouchers = test::ReadFile(src + "/JZPZ.txt");
  const std::size_t third = vouchers.find('\n', vouchers.find('\n') + 1) + 1;
  vouchers.insert(third + 5, std::string(1, '\0'));  // on line 3
  test::WriteFile(src + "/JZPZ.txt", vouchers);
  const std::string offset = "第 " + std::to_string(third + 5) + " 字节";

  const RanApart converted = Host("convert --face headless --source " + ShellWord(src) +
                                  " --work " + ShellWord(tmp / "w"));
  EXPECT_EQ(converted.exit_code, 2) << converted.err;
  EXPECT_EQ(converted.out, "0\n");
  const RanApart inspected = Host("inspect --source " + ShellWord(src));
  EXPECT_EQ(inspected.exit_code, 1) << inspected.out;
  for (const std::string& text : {converted.err, inspected.out})
    for (const std::string& word : {std::string("JZPZ.txt”第 3 行"), offset})
      EXPECT_NE(text.find(word), std::string::npos) << word << "\n" << text;
}

TEST(BookSetRefusals, ControlCharactersOfTheBookSetReachTheTerminalEscaped) {
  QORU_SKIP_UNLESS_POSIX("the shell's cp");
  test::TempDir tmp;
  const std::string src = tmp / "src";
  // A clipboard-setting sequence in a file-name line.
  const std::string osc = "\x1b]52;c;SGk\x07";
  SampleWithLine(src, 38, "BM" + osc + "DA.txt");
  for (const std::string& args :
       {"convert --face headless --source " + ShellWord(src) + " --work " + ShellWord(tmp / "w"),
        "inspect --source " + ShellWord(src)}) {
    const RanApart ran = Host(args);
    for (const std::string& text : {ran.out, ran.err}) {
      EXPECT_EQ(text.find('\x1b'), std::string::npos) << args << "\n" << text;
      EXPECT_EQ(text.find('\x07'), std::string::npos) << args << "\n" << text;
    }
    EXPECT_NE((ran.out + ran.err).find("BM\\x1b]52;c;SGk\\x07DA.txt"), std::string::npos)
        << args << "\n"
        << ran.out << ran.err;
  }
  EXPECT_EQ(test::ReadFile(tmp / "w/qoru.log").find('\x1b'), std::string::npos);
  // JSON keeps the text, escaped as JSON escapes it.
  const RanApart json = Host("inspect --json --source " + ShellWord(src));
  EXPECT_NE(json.out.find("BM\\u001b]52;c;SGk\\u0007DA.txt"), std::string::npos) << json.out;
}

TEST(BookSetRefusals, ANamedPipeInTheSourceEndsTheRunInsteadOfKeepingItWaiting) {
  QORU_SKIP_UNLESS_POSIX("named pipes");
  test::TempDir tmp;
  CopySample(tmp / "src");
  ASSERT_TRUE(test::MakeFifo(tmp / "src/p.txt"));
  const auto start = std::chrono::steady_clock::now();
  const RanApart ran = Host("convert --face headless --source " + ShellWord(tmp / "src") +
                            " --work " + ShellWord(tmp / "w"));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
  EXPECT_NE(ran.exit_code, 0);
  EXPECT_NE(ran.err.find("p.txt"), std::string::npos) << ran.err;
  EXPECT_NE(ran.err.find("管道"), std::string::npos) << ran.err;
}

TEST(BookSetRefusals, FilesHonourTheUmaskAndNoneIsWrittenThroughALink) {
  QORU_SKIP_UNLESS_POSIX("umask and symbolic links");
  test::TempDir tmp;
  const auto ran = test::RunCommand("umask 077 && " + kHost + " convert --face headless --source " +
                                    ShellWord(test::kSample) + " --work " + ShellWord(tmp / "w"));
  ASSERT_EQ(ran.exit_code, 0) << ran.out;
  for (const char* file : {"TemplateTemp/GBA.mdb", "TemplateTemp/JZPZ.txt", "TemplateTemp/GSSM.txt",
                           ".qoru-book-set", "qoru.log", "DataBase/empty.mdb"}) {
    struct stat st {};
    ASSERT_EQ(::stat((tmp / "w/" + file).c_str(), &st), 0) << file;
    EXPECT_EQ(st.st_mode & 077, 0u) << file << " is readable by others";
  }

  // qoru.log replaced by a link to another file: refused, the file left as it was.
  test::WriteFile(tmp / "elsewhere.txt", "mine\n");
  ASSERT_EQ(::unlink((tmp / "w/qoru.log").c_str()), 0);
  ASSERT_TRUE(test::MakeSymlink(tmp / "elsewhere.txt", tmp / "w/qoru.log"));
  const RanApart linked = Host("convert --face headless --source " + ShellWord(test::kSample) +
                               " --work " + ShellWord(tmp / "w"));
  EXPECT_EQ(linked.exit_code, 2) << linked.err;
  EXPECT_NE(linked.err.find("qoru.log"), std::string::npos) << linked.err;
  EXPECT_EQ(test::ReadFile(tmp / "elsewhere.txt"), "mine\n");
}

}  // namespace
}  // namespace qoru
