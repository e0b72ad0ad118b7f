#include "staging/table_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "errors/errors.h"
#include "files/file_system.h"
#include "test_support/system.h"
#include "test_support/temp_dir.h"
#include "text/gbk_codec.h"

namespace qoru {
namespace {

using test::MakeDir;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

TEST(TableTextTest, RowTabsBecomeCommasAndValuesWithCommasOrQuotesAreQuoted) {
  struct Case {
    std::string row;
    std::string rewritten;
  };
  const Case cases[] = {
      {"x\ty\t\tz", "x,y,,z"},
      {"x\t1,000.00\ty", "x,\"1,000.00\",y"},
      {"a\tsay \"hi\"", "a,\"say \"\"hi\"\"\""},
      {"\"", "\"\"\"\""},
      {"", ""},
      {"\t", ","},
      {"\t\t", ",,"},
      {" a \t b ", " a , b "},  // never trimmed
      {"plain row", "plain row"},
      {"x,\"1,000.00\",y", "\"x,\"\"1,000.00\"\",y\""},  // a line already rewritten
      {"it's\t'q'", "it's,'q'"},
      {Gbk("科目\t现金,银行\t摘要"), Gbk("科目,\"现金,银行\",摘要")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.row);
    EXPECT_EQ(RewriteRow(c.row), c.rewritten);
  }
}

TEST(TableTextTest, EveryTabOfALongRowBecomesACommaWhereverItFalls) {
  // Rows of every length up to three words of eight bytes, a tab at each place in turn
  // and beside bytes whose low bits are a tab's (0x89, 0xC9: parts of GBK characters),
  // which stay as they are.
  for (std::size_t length = 1; length <= 24; ++length)
    for (std::size_t at = 0; at < length; ++at) {
      std::string row, expected;
      for (std::size_t i = 0; i < length; ++i) {
        static const std::string kOthers =
            "\x89\xC9"
            "a\x08";
        const char c = i == at || i % 5 == 4 ? '\t' : kOthers[i % 4];
        row.push_back(c);
        expected.push_back(c == '\t' ? ',' : c);
      }
      SCOPED_TRACE(testing::Message() << length << " bytes, a tab at " << at);
      EXPECT_EQ(RewriteRow(row), expected);
    }
}

TEST(TableTextTest, HeaderLineIsTheValueWithoutItsEnclosingQuotes) {
  struct Case {
    std::string entry;
    std::string header;
  };
  const Case cases[] = {
      {"KJKM.txt='科目编号,科目名称'", "科目编号,科目名称"},
      {"KJKM.txt=''", ""},
      {"KJKM.txt='\"\"'", "\"\""},
      {"K.txt='O''Brien,\"a b\"'", "O''Brien,\"a b\""},  // not unquoted further
      {"K.txt='a=b'", "a=b"},
      {"K.txt=", ""},
      {"K.txt='", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.entry);
    EXPECT_EQ(HeaderLineOf(c.entry), c.header);
  }
}

// A work area with TemplateTemp and the rewrite of its files.
struct TextArea {
  TempDir dir;
  std::string temp = dir / "TemplateTemp/";
  TextArea() { MakeDir(temp); }
  void Put(const std::string& name, const std::string& bytes) const {
    WriteFile(temp + name, bytes);
  }
  std::string Get(const std::string& name) const { return ReadFile(temp + name); }
  void Prepare(const StringList& header_map, const StringList& table_map = {}) const {
    PrepareTableTexts(dir.path(), header_map, table_map);
  }
};

TEST(TableTextTest, RewritesEachFileUnderItsHeaderLine) {
  struct Case {
    const char* what;
    std::string entry;
    std::string name;
    std::string staged;
    std::string prepared;
  };
  const Case cases[] = {
      {"rows and header", Gbk("KJKM.txt='科目编号,科目名称'"), "KJKM.txt",
       Gbk("1001\t现金\r\n1002\t银行存款\r\n"),
       Gbk("科目编号,科目名称\r\n1001,现金\r\n1002,银行存款\r\n")},
      {"empty file", "E.txt='a,b'", "E.txt", "", "a,b\r\n"},
      {"LF endings and no final line end", "L.txt='a'", "L.txt", "1\n2\n3", "a\r\n1\r\n2\r\n3\r\n"},
      {"section without columns", "S.txt=''", "S.txt", "x\ty\r\n", "\r\nx,y\r\n"},
      {"one empty column name", "O.txt='\"\"'", "O.txt", "v\r\n", "\"\"\r\nv\r\n"},
      {"amount with a comma", "M.txt='k,v'", "M.txt", "x\t1,000.00\r\n",
       "k,v\r\nx,\"1,000.00\"\r\n"},
      {"name with blanks", "with blank.txt='a'", "with blank.txt", "1\t2", "a\r\n1,2\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TextArea area;
    area.Put(c.name, c.staged);
    area.Prepare(StringList{c.entry});
    EXPECT_EQ(area.Get(c.name), c.prepared);
    EXPECT_EQ(ListDirectory(area.temp).size(), 1u) << "no temporary file is left";
  }
}

TEST(TableTextTest, ANulByteInAStagedTextRefusesItAndLeavesItAsItWas) {
  // Staging ends its copies at a NUL and the run refuses the book set before this
  // stage; a staged text that holds one all the same is not rewritten short.
  TextArea area;
  const std::string staged("1\r\n2\0\r\n3", 7);
  area.Put("N.txt", staged);
  EXPECT_THROW(area.Prepare(StringList{"N.txt='a'"}), BookSetRefusal);
  EXPECT_EQ(area.Get("N.txt"), staged);
  EXPECT_EQ(ListDirectory(area.temp).size(), 1u) << "no temporary file is left";
}

TEST(TableTextTest, FileNamedTwiceKeepsItsRowsAndGetsTheLaterHeaderOnTop) {
  // Two sections sharing one file: the second pass must not quote the rows of the
  // first as whole values, or every row would become a single field on import.
  TextArea area;
  area.Put("K.txt", "x\t1,000.00\ty\r\nit\t\"q\"\r\n");
  area.Prepare(StringList{"K.txt='a,b,c'", "K.txt='second'", "K.txt='third'"});
  EXPECT_EQ(area.Get("K.txt"),
            "third\r\n"
            "second\r\n"
            "a,b,c\r\n"
            "x,\"1,000.00\",y\r\n"
            "it,\"\"\"q\"\"\"\r\n");
  EXPECT_EQ(ListDirectory(area.temp).size(), 1u) << "no temporary file is left";
}

TEST(TableTextTest, LinkInTemplateTempIsReplacedNotWrittenThrough) {
  QORU_SKIP_UNLESS_POSIX("making symbolic links needs a privilege on Windows");
  TextArea area;
  WriteFile(area.dir / "outside.txt", "1\t2\r\n");
  ASSERT_TRUE(test::MakeSymlink(area.dir / "outside.txt", area.temp + "K.txt"));
  area.Prepare(StringList{"K.txt='a,b'"});
  EXPECT_FALSE(IsSymbolicLink(area.temp + "K.txt"));
  EXPECT_EQ(area.Get("K.txt"), "a,b\r\n1,2\r\n");
  EXPECT_EQ(ReadFile(area.dir / "outside.txt"), "1\t2\r\n");
}

TEST(TableTextTest, EmptyHeaderMapRewritesNothing) {
  TextArea area;
  area.Put("K.txt", "x\ty");
  area.Prepare(StringList{});
  EXPECT_EQ(area.Get("K.txt"), "x\ty");
}

TEST(TableTextTest, MissingTableFileFailsNamingTheFileAndItsSection) {
  TextArea area;
  area.Put("KJKM.txt", "1\t2");
  area.Put("KMYE.txt", "3\t4");
  const StringList header_map{"KJKM.txt='a,b'", "JZPZ.txt='c'", "KMYE.txt='d'"};
  const StringList table_map{Gbk("会计科目=KJKM.txt"), Gbk("记账凭证=JZPZ.txt"),
                             Gbk("科目余额及发生额=KMYE.txt")};
  try {
    area.Prepare(header_map, table_map);
    FAIL() << "no failure";
  } catch (const FileError& e) {
    const std::string message = e.what();
    EXPECT_NE(message.find("JZPZ.txt"), std::string::npos) << message;
    EXPECT_NE(message.find("[记账凭证]"), std::string::npos) << message;
    EXPECT_EQ(e.path(), area.temp + "JZPZ.txt");
  }
  EXPECT_EQ(area.Get("KJKM.txt"), "a,b\r\n1,2\r\n") << "files before the failure stay rewritten";
  EXPECT_EQ(area.Get("KMYE.txt"), "3\t4") << "files after it stay as staged";
}

TEST(TableTextTest, UnsafeNameIsRefusedBeforeAnyFileIsTouched) {
  for (const std::string bad : {"../KJKM.txt", "sub/K.txt", "/etc/passwd", "..", ".", ""}) {
    SCOPED_TRACE(bad);
    TextArea area;
    area.Put("KJKM.txt", "1\t2");
    WriteFile(area.dir / "KJKM.txt", "outside\tfile");
    const StringList header_map{"KJKM.txt='a,b'", bad + "='x'"};
    try {
      area.Prepare(header_map);
      ADD_FAILURE() << "no failure";
    } catch (const UnsafeNameError& e) {
      if (!bad.empty()) {
        EXPECT_NE(std::string(e.what()).find(bad), std::string::npos) << e.what();
      }
    }
    EXPECT_EQ(area.Get("KJKM.txt"), "1\t2");
    EXPECT_EQ(ReadFile(area.dir / "KJKM.txt"), "outside\tfile");
  }
}

}  // namespace
}  // namespace qoru
