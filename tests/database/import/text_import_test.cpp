// The import of a staging text file into a database file, through the text directory
// connection: "select * into T in '<db>' from T#txt".
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "database/engine/engine_error.h"
#include "database/import/text_import.h"
#include "database/query/connection.h"
#include "test_support/db_fixture.h"
#include "test_support/temp_dir.h"
#include "text/gbk_codec.h"

namespace qoru::db {
namespace {

using test::ColumnNames;
using test::kNull;
using test::Rows;
using test::SqliteRows;
using test::TableNames;
using ::testing::HasSubstr;

class TextImportTest : public ::testing::Test {
 protected:
  TextImportTest() {
    test::MakeDir(text_dir_);
    test::WriteFile(db_path_, "");
    connection_.SetConnectionString(test::TextConnectionString(text_dir_));
    connection_.Open();
  }

  // Writes the file (bytes as given) into the text directory.
  void WriteText(const std::string& name, const std::string& bytes) {
    test::WriteFile(text_dir_ + name, bytes);
  }

  // Runs the import statement of the text connection; names are UTF-8 here.
  void Import(const std::string& table, const std::string& source) {
    connection_.Execute(Gbk("select * into " + table + " in '" + db_path_ + "' from " + source));
  }

  std::string ImportFailure(const std::string& table, const std::string& source) {
    try {
      Import(table, source);
    } catch (const EngineError& e) {
      return e.what();
    }
    ADD_FAILURE() << "the import of " << source << " did not fail";
    return {};
  }

  Rows Sql(const std::string& sql) { return SqliteRows(db_path_, sql); }

  test::TempDir dir_;
  std::string text_dir_ = dir_ / "TemplateTemp/";
  std::string db_path_ = dir_ / "GBA.mdb";
  Connection connection_;
};

TEST_F(TextImportTest, RowsAreReadByCsvRulesInFileOrder) {
  WriteText("T.txt",
            "a,b,c\r\n"
            "1,\"x, \"\"y\"\"\",z\r\n"        // quoted field with a comma and doubled quotes
            "2,,\r\n"                         // empty fields are null
            "3\r\n"                           // a short row
            "\r\n"                            // an empty line yields no row
            "4,p,q,r,s\r\n"                   // extra fields are dropped
            " 5 , v w ,\t\r\n"                // blanks around values are kept
            "6,\"line\r\nbreak\",\"\"\"\"\n"  // a quoted line end; LF alone ends a line
            "7,\"\",x\r"                      // CR alone ends a line
            "8,\"a,b\",e");                   // no line end after the last row
  Import("T", "T#txt");
  EXPECT_EQ(Sql("select * from T order by rowid"), (Rows{{"1", "x, \"y\"", "z"},
                                                         {"2", kNull, kNull},
                                                         {"3", kNull, kNull},
                                                         {"4", "p", "q"},
                                                         {" 5 ", " v w ", "\t"},
                                                         {"6", "line\r\nbreak", "\""},
                                                         {"7", "", "x"},
                                                         {"8", "a,b", "e"}}));
}

// The rows read without a database (what the inspection follows) are the rows that the
// import inserts, value for value, each with the line where its record starts.
TEST_F(TextImportTest, RowsReadWithoutADatabaseAreTheRowsTheImportInserts) {
  WriteText("T.txt",
            "a,b,c\r\n"
            "h1,h2\r\n"  // a second header line is a row
            "1,\"x, \"\"y\"\"\",z\r\n"
            "2,,\r\n"
            "\r\n"  // no row, but a line
            "4,p,q,r,s\r\n"
            "6,\"line\r\nbreak\",\"\"\r\n"  // a record over two lines
            "7,\xFF\x80,\xD6\xD0\r"         // bytes that are not GBK, then GBK
            "8,\"a,b\",e");
  Import("T", "T#txt");
  Rows read;
  std::vector<std::uint64_t> lines;
  const std::uint64_t count = ReadImportRows(text_dir_, "t.TXT", [&](const ImportRow& row) {
    std::vector<std::string> values;
    for (const auto& v : row.values) values.push_back(v.value_or(kNull));
    read.push_back(values);
    lines.push_back(row.line);
  });
  EXPECT_EQ(read, Sql("select * from T order by rowid"));
  EXPECT_EQ(count, read.size());
  EXPECT_EQ(lines, (std::vector<std::uint64_t>{2, 3, 4, 6, 7, 9, 10}));
  EXPECT_THROW(ReadImportRows(text_dir_, "JZPZ.txt", [](const ImportRow&) {}), EngineError);
}

TEST_F(TextImportTest, LargeFilesKeepRowOrderAndReportTheFirstReplacedLine) {
  // More rows than a few batches of the reading thread hold; one byte that is not GBK
  // far down the file.
  std::string text = "n,v\r\n";
  constexpr int kRows = 30000;
  for (int i = 1; i <= kRows; ++i)
    text += std::to_string(i) + "," + (i == 25001 ? std::string("a\xFF") : Gbk("值")) + "\r\n";
  WriteText("T.txt", text);
  Import("T", "T#txt");
  EXPECT_EQ(Sql("select count(*), sum(rowid = n), max(rowid) from T"),
            (Rows{{std::to_string(kRows), std::to_string(kRows), std::to_string(kRows)}}));
  EXPECT_EQ(Sql("select v from T where n = '25001'"), (Rows{{"a\uFFFD"}}));
  ASSERT_EQ(connection_.replaced_texts().size(), 1u);
  EXPECT_EQ(connection_.replaced_texts()[0].count, 1u);
  EXPECT_EQ(connection_.replaced_texts()[0].first_line, 25002u);
}

TEST_F(TextImportTest, TablesNamedLikeTheImportsOwnSourceImportTheirOwnRows) {
  WriteText("qoru_import_rows.txt", "a\r\nfirst\r\n");
  WriteText("T.txt", "a\r\nsecond\r\n");
  Import("qoru_import_rows", "qoru_import_rows#txt");
  Import("T", "T#txt");
  EXPECT_EQ(Sql("select a from qoru_import_rows"), (Rows{{"first"}}));
  EXPECT_EQ(Sql("select a from T"), (Rows{{"second"}}));
}

TEST_F(TextImportTest, EveryColumnIsTextComparedWithoutAsciiCase) {
  WriteText("KJKM.txt", Gbk("科目编号,科目名称\r\n0010,Cash\r\n"));
  Import("KJKM", "KJKM#txt");
  EXPECT_EQ(Sql("select typeof(科目编号) from kjkm"), (Rows{{"text"}}));
  EXPECT_EQ(Sql("select 科目编号 from kjkm where 科目名称 = 'CASH'"), (Rows{{"0010"}}));
}

TEST_F(TextImportTest, ColumnNamesComeFromTheFirstLineAndEmptyNamesArePositional) {
  const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
      {"a,b,c", {"a", "b", "c"}},
      {",b,", {"F1", "b", "F3"}},
      {"\"x,y\",\"\"\"q\"\"\"", {"x,y", "\"q\""}},
      {"", {"F1"}},
  };
  int n = 0;
  for (const auto& [header, columns] : cases) {
    const std::string table = "T" + std::to_string(++n);
    WriteText(table + ".txt", header + "\r\n1,2\r\n");
    Import(table, table + "#txt");
    EXPECT_EQ(ColumnNames(db_path_, table), columns) << header;
  }
}

TEST_F(TextImportTest, DuplicateColumnNameFailsNamingItAndLeavesNoTable) {
  for (const std::string header : {"科目,名称,科目", "Code,x,code", "a,,F2"}) {
    WriteText("T.txt", Gbk(header) + "\r\n1,2,3\r\n");
    const std::string message = ImportFailure("T", "T#txt");
    EXPECT_THAT(message, HasSubstr("duplicate")) << header;
    const std::string last = header.substr(header.rfind(',') + 1);
    EXPECT_THAT(message, HasSubstr(last.empty() ? "F3" : last)) << header;
    EXPECT_TRUE(TableNames(db_path_).empty()) << header;
  }
}

TEST_F(TextImportTest, GbkNamesAndValuesArriveAsUtf8) {
  WriteText(Gbk("科目.txt"), Gbk("科目编号,科目名称,余额方向\r\n1001,库存现金,借\r\n"));
  Import("科目", "科目#txt");
  EXPECT_EQ(TableNames(db_path_), (std::vector<std::string>{"科目"}));
  EXPECT_EQ(ColumnNames(db_path_, "科目"),
            (std::vector<std::string>{"科目编号", "科目名称", "余额方向"}));
  EXPECT_EQ(Sql("select * from 科目"), (Rows{{"1001", "库存现金", "借"}}));
}

TEST_F(TextImportTest, FileIsFoundIgnoringAsciiCase) {
  WriteText("kjkm.TXT", "a\r\n1\r\n");
  Import("KJKM", "KJKM#txt");
  EXPECT_EQ(Sql("select a from KJKM"), (Rows{{"1"}}));
}

TEST_F(TextImportTest, FileNameCaseFoldingDoesNotReachIntoDoubleByteCharacters) {
  // 0xB0 0x61 and 0xB0 0x41 are two different characters whose trail bytes are the
  // ASCII letters "a" and "A".
  WriteText("\xB0\x61.txt", "a\r\n1\r\n");
  const std::string message = ImportFailure("T", GbkToUtf8("\xB0\x41") + "#txt");
  EXPECT_THAT(message, HasSubstr("not found"));
  EXPECT_TRUE(TableNames(db_path_).empty());
  // The same character in another ASCII case around it is found.
  Import("T", GbkToUtf8("\xB0\x61") + "#TXT");
  EXPECT_EQ(TableNames(db_path_), (std::vector<std::string>{"T"}));
}

TEST_F(TextImportTest, ExistingTableIsRefusedAndKeepsItsRows) {
  WriteText("T.txt", "a\r\n1\r\n");
  Import("T", "T#txt");
  EXPECT_THAT(ImportFailure("t", "T#txt"), HasSubstr("already exists"));
  EXPECT_EQ(Sql("select a from T"), (Rows{{"1"}}));
}

TEST_F(TextImportTest, MissingFileFailsNamingIt) {
  EXPECT_THAT(ImportFailure("JZPZ", "JZPZ#txt"), HasSubstr("JZPZ.txt"));
  EXPECT_TRUE(TableNames(db_path_).empty());
}

TEST_F(TextImportTest, MissingDatabaseFailsAndCreatesNoFile) {
  WriteText("T.txt", "a\r\n1\r\n");
  const std::string missing = dir_ / "missing.mdb";
  EXPECT_THROW(connection_.Execute("select * into T in '" + missing + "' from T#txt"), EngineError);
  EXPECT_EQ(test::DirectoryEntries(dir_.path()),
            (std::vector<std::string>{"GBA.mdb", "TemplateTemp"}));
}

TEST_F(TextImportTest, HeaderOnlyFileGivesAnEmptyTable) {
  WriteText("T.txt", "a,b\r\n");
  Import("T", "T#txt");
  EXPECT_EQ(ColumnNames(db_path_, "T"), (std::vector<std::string>{"a", "b"}));
  EXPECT_TRUE(Sql("select * from T").empty());
}

TEST_F(TextImportTest, TextConnectionRunsNothingButImports) {
  WriteText("T.txt", "a\r\n1\r\n");
  EXPECT_THROW(connection_.Execute("select * from T#txt"), EngineError);
  EXPECT_THROW(connection_.Execute("create table x(a varchar(10))"), EngineError);
  EXPECT_TRUE(TableNames(db_path_).empty());
}

}  // namespace
}  // namespace qoru::db
