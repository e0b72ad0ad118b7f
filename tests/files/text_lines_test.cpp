#include "files/text_lines.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "errors/errors.h"
#include "files/file_system.h"
#include "test_support/temp_dir.h"
#include "text/gbk_codec.h"

namespace qoru {
namespace {

// What the text line rules write for `lines`: each line followed by CR LF.
void SaveLines(const std::string& path, const StringList& lines) {
  std::string bytes;
  for (const std::string& line : lines) bytes += line + "\r\n";
  test::WriteFile(path, bytes);
}

using test::ReadFile;
using test::TempDir;
using test::WriteFile;
using Lines = std::vector<std::string>;

std::string Bytes(const char* data, std::size_t size) {
  return std::string(data, size);
}

struct LineCase {
  const char* what;
  std::string source;
  Lines lines;
  std::string copy;
};

std::vector<LineCase> LineCases() {
  const std::string gbk_row = Gbk("科目\t\"摘 要\" 'x' ");
  return {
      {"CR LF, no final line end", "x\r\ny", {"x", "y"}, "x\r\ny\r\n"},
      {"LF only", "a\nb\n", {"a", "b"}, "a\r\nb\r\n"},
      {"CR only", "a\rb\r", {"a", "b"}, "a\r\nb\r\n"},
      {"LF CR is two line ends", "a\n\rb", {"a", "", "b"}, "a\r\n\r\nb\r\n"},
      {"empty file", "", {}, ""},
      {"only CR LF", "\r\n", {""}, "\r\n"},
      {"only LF", "\n", {""}, "\r\n"},
      {"only CR", "\r", {""}, "\r\n"},
      {"CR CR LF LF", "\r\r\n\n", {"", "", ""}, "\r\n\r\n\r\n"},
      {"empty line before the end", "a\r\n\r\n", {"a", ""}, "a\r\n\r\n"},
      {"bytes kept", gbk_row + "\n\t \n", {gbk_row, "\t "}, gbk_row + "\r\n\t \r\n"},
  };
}

Lines ReadAll(const std::string& path, std::size_t buffer_size) {
  LineReader reader(path, buffer_size);
  Lines lines;
  std::string line;
  while (reader.Next(line)) lines.push_back(line);
  EXPECT_FALSE(reader.Next(line)) << "a reader at the end stays at the end";
  return lines;
}

TEST(TextLinesTest, ReaderSplitsLinesWhateverItsBufferSize) {
  TempDir dir;
  for (const auto& c : LineCases()) {
    SCOPED_TRACE(c.what);
    WriteFile(dir / "in.txt", c.source);
    for (std::size_t size : {1, 2, 3, 5, 1 << 20}) {
      SCOPED_TRACE(size);
      EXPECT_EQ(ReadAll(dir / "in.txt", size), c.lines);
    }
  }
}

TEST(TextLinesTest, CopyAndWholeListFormsGiveTheSameBytes) {
  TempDir dir;
  for (const auto& c : LineCases()) {
    SCOPED_TRACE(c.what);
    WriteFile(dir / "in.txt", c.source);
    EXPECT_EQ(CopyTextLines(dir / "in.txt", dir / "copy.txt"), c.copy.size());
    EXPECT_EQ(ReadFile(dir / "copy.txt"), c.copy);
    EXPECT_EQ(LoadLines(dir / "in.txt").items(), c.lines);
    SaveLines(dir / "saved.txt", LoadLines(dir / "in.txt"));
    EXPECT_EQ(ReadFile(dir / "saved.txt"), c.copy);
  }
}

TEST(TextLinesTest, CopyJoinsALineEndSplitBetweenTwoBlocks) {
  // CopyTextLines reads 1 MiB blocks: the CR is the last byte of the first block.
  constexpr std::size_t kBlock = 1 << 20;
  const std::string head(kBlock - 1, 'a');
  TempDir dir;
  for (const std::string tail : {"\r\nb", "\r\rb", "\rb", "\r", "\r\n", "\n\rb"}) {
    SCOPED_TRACE(testing::PrintToString(tail));
    WriteFile(dir / "in.txt", head + tail);
    CopyTextLines(dir / "in.txt", dir / "copy.txt");
    SaveLines(dir / "saved.txt", LoadLines(dir / "in.txt"));
    const std::string copy = ReadFile(dir / "copy.txt");
    EXPECT_EQ(copy, ReadFile(dir / "saved.txt"));
    EXPECT_EQ(copy.compare(0, head.size() + 2, head + "\r\n"), 0);
  }
}

TEST(TextLinesTest, CopyOntoItselfNormalisesTheFileInPlace) {
  TempDir dir;
  WriteFile(dir / "self.txt", "a\nb\rc");
  CopyTextLines(dir / "self.txt", dir / "self.txt");
  EXPECT_EQ(ReadFile(dir / "self.txt"), "a\r\nb\r\nc\r\n");
  EXPECT_EQ(ListDirectory(dir.path()), std::vector<std::string>{"self.txt"});
}

TEST(TextLinesTest, WriterHandlesLinesLongerThanItsBuffer) {
  TempDir dir;
  const std::string long_line(20, 'x');
  {
    LineWriter writer(dir / "out.txt", 8);
    writer.WriteLine("ab");
    writer.WriteLine(long_line);
    writer.WriteLine("");
    writer.Write("raw");
    writer.Close();
  }
  EXPECT_EQ(ReadFile(dir / "out.txt"), "ab\r\n" + long_line + "\r\n\r\nraw");
}

TEST(TextLinesTest, WritingTruncatesAnExistingFile) {
  TempDir dir;
  WriteFile(dir / "out.txt", "old content that is longer");
  {
    LineWriter writer(dir / "out.txt");
    writer.WriteLine("new");
    writer.Close();
  }
  EXPECT_EQ(ReadFile(dir / "out.txt"), "new\r\n");
  {
    LineWriter writer(dir / "out.txt");
    writer.Close();
  }
  EXPECT_EQ(ReadFile(dir / "out.txt"), "");
}

// A NUL byte: where it stands, and what staging's copy, which alone may end a text
// there, leaves of the text.
struct NulCase {
  const char* what;
  std::string source;
  NulByte at;
  Lines before;        // the lines a reader gives before it
  std::string staged;  // the copy that ends before it
};

std::vector<NulCase> NulCases() {
  return {
      {"first byte", Bytes("\0abc\r\nx", 8), {1, 0}, {}, ""},
      {"middle of the first line", Bytes("ab\0cd\r\nef", 9), {1, 2}, {}, "ab\r\n"},
      {"middle line", Bytes("a\r\nb\0\r\nc\r\n", 10), {2, 4}, {"a"}, "a\r\nb\r\n"},
      {"start of the last line", Bytes("a\nb\n\0", 5), {3, 4}, {"a", "b"}, "a\r\nb\r\n"},
      {"between CR and LF", Bytes("ab\r\0\n", 5), {2, 3}, {"ab"}, "ab\r\n"},
      {"after lone CRs", Bytes("a\rb\r\r\0", 6), {4, 5}, {"a", "b", ""}, "a\r\nb\r\n\r\n"},
  };
}

TEST(TextLinesTest, ANulByteRefusesTheFileNamingItsLineAndOffset) {
  TempDir dir;
  const std::string path = dir / "JZPZ.txt";
  for (const auto& c : NulCases()) {
    SCOPED_TRACE(c.what);
    WriteFile(path, c.source);
    EXPECT_EQ(FindNulByte(path).value_or(NulByte{}).line, c.at.line);
    EXPECT_EQ(FindNulByte(path).value_or(NulByte{}).offset, c.at.offset);
    const std::string expected = "第 " + std::to_string(c.at.line) + " 行";
    const std::string offset = "第 " + std::to_string(c.at.offset) + " 字节";
    for (std::size_t size : {1, 3, 1 << 20}) {
      SCOPED_TRACE(size);
      LineReader reader(path, size);
      Lines lines;
      std::string line;
      try {
        while (reader.Next(line)) lines.push_back(line);
        ADD_FAILURE() << "read to the end";
      } catch (const BookSetRefusal& e) {
        const std::string message = e.what();
        EXPECT_NE(message.find(path), std::string::npos) << message;
        EXPECT_NE(message.find(expected), std::string::npos) << message;
        EXPECT_NE(message.find(offset), std::string::npos) << message;
      }
      EXPECT_EQ(lines, c.before);
    }
    EXPECT_THROW(LoadLines(path), BookSetRefusal);
    EXPECT_THROW(CopyTextLines(path, dir / "copy.txt"), BookSetRefusal);

    // Staging's copy ends the text at the NUL and says where it stood.
    std::optional<NulByte> cut;
    CopyTextLines(path, dir / "staged.txt", &cut);
    EXPECT_EQ(ReadFile(dir / "staged.txt"), c.staged);
    ASSERT_TRUE(cut.has_value());
    EXPECT_EQ(cut->line, c.at.line);
    EXPECT_EQ(cut->offset, c.at.offset);
  }
  WriteFile(path, "no NUL\r\n");
  EXPECT_FALSE(FindNulByte(path).has_value());
  std::optional<NulByte> cut;
  CopyTextLines(path, dir / "staged.txt", &cut);
  EXPECT_FALSE(cut.has_value());
}

TEST(TextLinesTest, ANulBeyondTheFirstBlockIsPlacedByTheWholeFile) {
  TempDir dir;
  const std::string path = dir / "big.txt";
  std::string text;
  for (int i = 0; i < 250000; ++i) text += "row\r\n";  // 1.25 MB: more than one block
  text += "x";
  text.push_back('\0');
  WriteFile(path, text);
  std::optional<NulByte> cut;
  CopyTextLines(path, dir / "staged.txt", &cut);
  ASSERT_TRUE(cut.has_value());
  EXPECT_EQ(cut->line, 250001u);
  EXPECT_EQ(cut->offset, text.size() - 1);
  EXPECT_EQ(FindNulByte(path)->line, 250001u);
  EXPECT_EQ(FindNulByte(path)->offset, text.size() - 1);
}

TEST(TextLinesTest, FilesThatCannotBeReadOrWrittenRaiseFileErrorNamingThem) {
  TempDir dir;
  test::MakeDir(dir / "folder.txt");
  WriteFile(dir / "ok.txt", "x");
  struct Case {
    const char* what;
    std::function<void()> action;
    std::string path;
  };
  const Case cases[] = {
      {"missing file", [&] { LoadLines(dir / "missing.txt"); }, dir / "missing.txt"},
      {"directory", [&] { LineReader reader(dir / "folder.txt"); }, dir / "folder.txt"},
      {"copy of a directory", [&] { CopyTextLines(dir / "folder.txt", dir / "t.txt"); },
       dir / "folder.txt"},
      {"target in a missing directory", [&] { CopyTextLines(dir / "ok.txt", dir / "no/t.txt"); },
       dir / "no/t.txt"},
      {"write into a missing directory", [&] { LineWriter writer(dir / "no/t.txt"); },
       dir / "no/t.txt"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      c.action();
      ADD_FAILURE() << "no failure";
    } catch (const FileError& e) {
      EXPECT_EQ(e.path(), c.path);
      EXPECT_NE(std::string(e.what()).find(c.path), std::string::npos) << e.what();
    }
  }
  EXPECT_FALSE(PathExists(dir / "t.txt")) << "a failed copy leaves no target behind";
}

}  // namespace
}  // namespace qoru
