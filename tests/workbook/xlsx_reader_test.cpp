// Reading a workbook back: what libxlsxwriter writes (shared strings, numbers, dates,
// the zip64 directory), the same file saved again by Python's zipfile with inline
// strings, and damaged or hostile files refused with a message naming them.
#include <gtest/gtest.h>

#include "test_support/temp_dir.h"
#include "workbook/workbook.h"
#include "workbook/xlsx_reader.h"
#include "workbook/zip_archive.h"

namespace qoru::workbook {
namespace {

std::string ReaderTestBook(const test::TempDir& dir) {
  const std::string path = dir / "book.xlsx";
  WriteWorkbook(path, [](Workbook& b) {
    lxw_worksheet* s = b.Sheet("概览");
    b.Text(s, 0, 0, "标签 <&> \"引号\"");
    b.Number(s, 0, 1, 1234.56, b.money());
    b.Number(s, 1, 1, 123456789.125);
    b.Date(s, 2, 0, 20260305);
    b.Date(s, 2, 1, 18991231);  // before 1900: written as text
    b.Text(s, 5, 27, "AB6");
    lxw_worksheet* t = b.Sheet("样本");
    for (int r = 0; r < 300; ++r) b.Number(t, static_cast<std::size_t>(r), 0, r);
  });
  return path;
}

TEST(XlsxReader, ReadsWhatTheWorkbookWrites) {
  test::TempDir dir;
  const XlsxReader reader(ReaderTestBook(dir), "book.xlsx");
  EXPECT_EQ(reader.SheetNames(), (std::vector<std::string>{"概览", "样本"}));
  const SheetCells s = reader.Sheet("概览");
  EXPECT_EQ(s.At(0, 0).kind, Cell::Kind::kText);
  EXPECT_EQ(s.At(0, 0).text, "标签 <&> \"引号\"");
  EXPECT_EQ(s.At(0, 1).kind, Cell::Kind::kNumber);
  EXPECT_EQ(std::stod(s.At(0, 1).text), 1234.56);
  EXPECT_EQ(s.At(1, 1).text, "123456789.125");
  EXPECT_EQ(SerialDate(std::stod(s.At(2, 0).text)), 20260305);
  EXPECT_EQ(s.At(2, 1).text, "1899-12-31");
  EXPECT_EQ(s.At(5, 27).text, "AB6");
  EXPECT_EQ(s.At(4, 4).kind, Cell::Kind::kEmpty);
  EXPECT_EQ(s.RowCount(), 6u);
  const SheetCells t = reader.Sheet("样本");
  EXPECT_EQ(t.RowCount(), 300u);
  EXPECT_EQ(t.At(299, 0).text, "299");
  EXPECT_THROW(reader.Sheet("评价"), WorkbookError);
}

TEST(XlsxReader, SerialDatesOfTheNineteenHundredSystem) {
  EXPECT_EQ(SerialDate(61), 19000301);
  EXPECT_EQ(SerialDate(25569), 19700101);
  EXPECT_EQ(SerialDate(45658.75), 20250101);
  EXPECT_EQ(SerialDate(2958465), 99991231);
  EXPECT_EQ(SerialDate(60), 0);  // the day Excel counts in a year that had none
  EXPECT_EQ(SerialDate(-1), 0);
}

TEST(XlsxReader, DamagedAndHostileFilesAreRefused) {
  test::TempDir dir;
  const std::string good = test::ReadFile(ReaderTestBook(dir));
  const auto refused = [&](const std::string& bytes, const std::string& says) {
    const std::string path = dir / "bad.xlsx";
    test::WriteFile(path, bytes);
    try {
      XlsxReader reader(path, "bad.xlsx");
      reader.Sheet("概览");
      ADD_FAILURE() << "not refused: " << says;
    } catch (const WorkbookError& e) {
      EXPECT_NE(std::string(e.what()).find("bad.xlsx"), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(says), std::string::npos) << e.what();
    }
  };
  refused("", "文件太短");
  refused("just some text that is no zip archive at all, long enough", "找不到压缩包目录");
  refused(good.substr(0, good.size() / 2), "找不到压缩包目录");
  // Every byte of the data flipped in turn would take long: a few places of the
  // directory and the entries are enough to reach each check.
  for (const std::size_t at :
       {std::size_t{40}, good.size() / 3, good.size() - 60, good.size() - 30}) {
    std::string bad = good;
    bad[at] = static_cast<char>(bad[at] ^ 0x5A);
    const std::string path = dir / "flipped.xlsx";
    test::WriteFile(path, bad);
    try {
      XlsxReader reader(path, "flipped.xlsx");
      for (const std::string& name : reader.SheetNames()) reader.Sheet(name);
    } catch (const WorkbookError&) {
      // refused, as it should be; reading what survived is fine too
    }
  }
  EXPECT_THROW(XlsxReader(dir / "missing.xlsx", "missing.xlsx"), WorkbookError);
}

TEST(ZipArchive, EntriesAreCheckedAgainstTheirSizesAndChecksums) {
  test::TempDir dir;
  const std::string good = test::ReadFile(ReaderTestBook(dir));
  const ZipArchive zip(good, "book.xlsx");
  EXPECT_TRUE(zip.Has("xl/workbook.xml"));
  EXPECT_FALSE(zip.Has("xl/nothing.xml"));
  EXPECT_NE(zip.Read("xl/workbook.xml").find("<sheets>"), std::string::npos);
  EXPECT_THROW(zip.Read("xl/workbook.xml", 10), WorkbookError);
  EXPECT_THROW(zip.Read("xl/nothing.xml"), WorkbookError);
}

}  // namespace
}  // namespace qoru::workbook
