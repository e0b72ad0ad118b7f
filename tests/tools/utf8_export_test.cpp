// A book set exported in UTF-8: detected from GSSM.txt (or forced), staged as GB 18030
// and converted into the very database that its GBK original gives; a file in the
// other encoding is named.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "staging/source_encoding_copy.h"
#include "test_support/command.h"
#include "test_support/db_fixture.h"
#include "test_support/programs.h"
#include "test_support/temp_dir.h"
#include "text/gbk_codec.h"
#include "text/source_encoding.h"

namespace qoru {
namespace {

using test::Ran;
using test::RunCommand;
using test::ShellWord;

using test::kGendata;
using test::kHost;
const std::string kFourByteChar = "\xF0\xA0\xAE\xB7";  // U+20BB7, four bytes in GB 18030 too

// A generated book set (GBK), with a four-byte character put into the chart's first
// account name, in `dir`; returns the names of its files.
std::vector<std::string> MakeBookSet(const std::string& dir) {
  const Ran made = RunCommand(kGendata + " consistent --postings 600 --out " + ShellWord(dir));
  EXPECT_EQ(made.exit_code, 0) << made.out;
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    names.push_back(entry.path().filename().string());
  std::string chart = GbkToUtf8(test::ReadFile(dir + "/KJKM.txt"));
  const std::size_t second_tab = chart.find('\t', chart.find('\t') + 1);
  chart.insert(second_tab, kFourByteChar);
  test::WriteFile(dir + "/KJKM.txt", Utf8ToGbk(chart));
  return names;
}

// The same book set re-encoded as UTF-8, each file with a byte-order mark or not.
void WriteUtf8Copy(const std::string& from, const std::string& to,
                   const std::vector<std::string>& names, bool byte_order_mark) {
  test::MakeDir(to);
  for (const std::string& name : names)
    test::WriteFile(to + "/" + name, (byte_order_mark ? std::string(kUtf8ByteOrderMark) : "") +
                                         GbkToUtf8(test::ReadFile(from + "/" + name)));
}

std::string Dump(const std::string& work) {
  return test::DumpDatabase(work + "/TemplateTemp/GBA.mdb");
}

TEST(Utf8Export, ConvertsIntoTheSameDatabaseAsTheGbkOriginal) {
  test::TempDir tmp;
  const std::vector<std::string> names = MakeBookSet(tmp / "gbk");
  WriteUtf8Copy(tmp / "gbk", tmp / "utf8", names, false);
  WriteUtf8Copy(tmp / "gbk", tmp / "bom", names, true);

  const Ran original = test::RunConvert(tmp / "gbk", tmp / "w-gbk");
  ASSERT_EQ(original.exit_code, 0) << original.out;
  EXPECT_NE(original.out.find("源文件编码：GBK"), std::string::npos) << original.out;
  const std::string expected = Dump(tmp / "w-gbk");
  ASSERT_NE(expected.find(kFourByteChar), std::string::npos)
      << "the four-byte character is imported";

  const struct {
    const char* source;
    const char* extra;
    const char* said;
  } cases[] = {
      {"utf8", "", "UTF-8（格式说明 GSSM.txt 是有效的 UTF-8 文本）"},
      {"bom", "", "UTF-8（格式说明 GSSM.txt 以 UTF-8 字节序标记开头）"},
      {"utf8", " --encoding utf-8", "UTF-8（按指定的编码读取）"},
  };
  for (const auto& c : cases) {
    const std::string work = tmp / (std::string("w-") + c.source + c.extra);
    const Ran ran = test::RunConvert(tmp / c.source, work, c.extra);
    ASSERT_EQ(ran.exit_code, 0) << c.source << c.extra << "\n" << ran.out;
    EXPECT_NE(ran.out.find(std::string("源文件编码：") + c.said), std::string::npos) << ran.out;
    EXPECT_NE(test::ReadFile(work + "/qoru.log").find(c.said), std::string::npos);
    EXPECT_EQ(Dump(work), expected) << c.source << c.extra;
    // The staged copies are the source text re-encoded, every character kept.
    EXPECT_EQ(test::ReadFile(work + "/TemplateTemp/KJKM.txt").find(kFourByteChar),
              std::string::npos);
    EXPECT_NE(GbkToUtf8(test::ReadFile(work + "/TemplateTemp/KJKM.txt")).find(kFourByteChar),
              std::string::npos);
  }

  // inspect reads it too, and says how.
  const Ran inspect = RunCommand(kHost + " inspect --source " + ShellWord(tmp / "bom"));
  EXPECT_EQ(inspect.exit_code, 0) << inspect.out;
  EXPECT_NE(inspect.out.find("源文件编码：UTF-8"), std::string::npos) << inspect.out;
  const Ran check = RunCommand(kHost + " check --source " + ShellWord(tmp / "utf8"));
  EXPECT_EQ(check.exit_code, 0) << check.out;
}

TEST(Utf8Export, AFileInTheOtherEncodingIsNamed) {
  test::TempDir tmp;
  const std::vector<std::string> names = MakeBookSet(tmp / "gbk");
  WriteUtf8Copy(tmp / "gbk", tmp / "utf8", names, false);
  // A GBK chart in a UTF-8 book set, and a UTF-8 chart in a GBK one.
  test::WriteFile(tmp / "utf8/KJKM.txt", test::ReadFile(tmp / "gbk/KJKM.txt"));
  test::WriteFile(tmp / "gbk/JZPZ.txt", test::ReadFile(tmp / "utf8/JZPZ.txt"));
  const struct {
    const char* source;
    const char* words;
  } cases[] = {
      {"utf8", "源文件 KJKM.txt 第 1 行不是有效的 UTF-8 文本，而格式说明 GSSM.txt 是 UTF-8 编码"},
      {"gbk", "源文件 JZPZ.txt 是 UTF-8 编码，而格式说明 GSSM.txt 是 GBK 编码"},
  };
  for (const auto& c : cases) {
    const Ran convert = test::RunConvert(tmp / c.source, tmp / (std::string("w-") + c.source));
    EXPECT_EQ(convert.exit_code, 1) << convert.out;
    EXPECT_NE(convert.out.find(c.words), std::string::npos) << convert.out;
    const Ran inspect = RunCommand(kHost + " inspect --source " + ShellWord(tmp / c.source));
    EXPECT_EQ(inspect.exit_code, 1) << inspect.out;
    EXPECT_NE(inspect.out.find(c.words), std::string::npos) << inspect.out;
  }
}

TEST(Utf8Export, TheRuleOfDetection) {
  const struct {
    std::string text;
    bool cut;
    SourceEncoding expected;
  } cases[] = {
      {"[会计科目]\r\nKJKM.txt\r\n", false, SourceEncoding::kUtf8},
      {std::string(kUtf8ByteOrderMark) + "ASCII only", false, SourceEncoding::kUtf8},
      {"ASCII only\r\n", false, SourceEncoding::kGbk},
      {Utf8ToGbk("[会计科目]\r\nKJKM.txt\r\n"), false, SourceEncoding::kGbk},
      {Utf8ToGbk("科目") + "\xE4\xBD\xA0", false, SourceEncoding::kGbk},  // mixed
      {"会计\xE7\xA7", true, SourceEncoding::kUtf8},  // a sample cut inside a character
      {"会计\xE7\xA7", false, SourceEncoding::kGbk},  // a whole text that ends badly
      {"\xED\xA0\x80", false, SourceEncoding::kGbk},  // a surrogate is not UTF-8
  };
  for (const auto& c : cases)
    EXPECT_EQ(DetectEncoding(c.text, c.cut), c.expected) << GbkToUtf8Escaped(c.text);
  EXPECT_EQ(ParseEncodingChoice("UTF8"), SourceEncoding::kUtf8);
  EXPECT_EQ(ParseEncodingChoice("gbk"), SourceEncoding::kGbk);
  EXPECT_EQ(ParseEncodingChoice("auto"), std::nullopt);
  EXPECT_FALSE(IsEncodingChoice("latin1"));
}

}  // namespace
}  // namespace qoru
