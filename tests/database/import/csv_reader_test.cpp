// The text driver's record rules, read from memory and from a file, and a file whose
// records straddle the reader's buffer boundaries reads as the same bytes in memory.
#include "database/import/csv_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/os_file.h"
#include "test_support/temp_dir.h"

namespace qoru::db {
namespace {

// Every record as its fields, a quoted field marked with a leading "q:", a blank line
// as "<blank>", followed by the line it ended on.
std::vector<std::string> ReadAll(CsvReader& reader) {
  std::vector<std::string> out;
  std::vector<CsvField> fields;
  bool blank = false;
  while (reader.Next(fields, &blank)) {
    std::string record = blank ? "<blank>" : "";
    for (std::size_t i = 0; i < fields.size() && !blank; ++i)
      record += (i > 0 ? "|" : "") + std::string(fields[i].quoted ? "q:" : "") + fields[i].bytes;
    out.push_back(record + " @" + std::to_string(reader.record_line()) + "-" +
                  std::to_string(reader.line()));
  }
  EXPECT_TRUE(fields.empty());
  return out;
}

std::vector<std::string> ReadText(std::string_view text) {
  CsvReader reader(text);
  return ReadAll(reader);
}

TEST(CsvReader, RecordRules) {
  struct Case {
    const char* name;
    std::string text;
    std::vector<std::string> records;
  };
  const std::vector<Case> cases = {
      {"line ends CR LF, CR and LF", "a,b\r\nc\rd\n", {"a|b @1-1", "c @2-2", "d @3-3"}},
      {"no line end at the end", "a,b", {"a|b @1-1"}},
      {"empty fields and a blank line", ",x,\r\n\r\ny", {"|x| @1-1", "<blank> @2-2", "y @3-3"}},
      {"quoted field with comma, doubled quote and line ends",
       "\"a,\"\"b\"\"\r\nc\",d\n",
       {"q:a,\"b\"\r\nc|d @1-2"}},
      {"text after the closing quote is kept",
       "\"ab\"cd,\"\"\"\",e\"f\"",
       {"q:abcd|q:\"|e\"f\" @1-1"}},
      {"empty quoted field", "\"\",x", {"q:|x @1-1"}},
      {"doubled quotes inside a quoted stretch", "\"a\"\"\"\"b", {"q:a\"\"b @1-1"}},
      {"unterminated quote runs to the end", "\"ab\ncd", {"q:ab\ncd @1-2"}},
      // A comma is no GBK trail byte: it ends the field even after a lead byte.
      {"bytes are kept as they are", "\x81,,\xFF \t", {"\x81||\xFF \t @1-1"}},
      // 𠮷 is 0x95 0x34 0xB2 0x35: no byte of it is a comma, a quote or a line end.
      {"four-byte characters beside commas and quotes",
       "\x95\x34\xB2\x35,\"\x95\x34\xB2\x35\"\"\x95\x34\xB2\x35\",\x95\x34\xB2\x35\r\n",
       {"\x95\x34\xB2\x35|q:\x95\x34\xB2\x35\"\x95\x34\xB2\x35|\x95\x34\xB2\x35 @1-1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ReadText(c.text), c.records);
  }
}

TEST(CsvReader, RecordsAcrossBufferBoundariesReadAsInMemory) {
  // Records of varying lengths, with quoted stretches, doubled quotes and CR LF pairs,
  // so that buffer boundaries of the file reader fall on every kind of byte.
  std::string text;
  for (int i = 0; text.size() < (5u << 20) / 2; ++i) {
    text += std::to_string(i) + ",";
    text += std::string(static_cast<std::size_t>(i % 97), 'x');
    if (i % 3 == 0)
      text += ",\"q" + std::string(static_cast<std::size_t>(i % 13), 'y') + "\"\"z\r\n\"";
    if (i % 5 == 0) text += ",,";
    text += i % 7 == 0 ? "\r" : i % 2 == 0 ? "\r\n" : "\n";
  }
  test::TempDir dir;
  const std::string path = dir / "big.csv";
  test::WriteFile(path, text);
  const int fd = os::OpenRead(path);
  ASSERT_GE(fd, 0);
  CsvReader from_file(fd, "big.csv");
  const std::vector<std::string> file_records = ReadAll(from_file);
  os::Close(fd);
  EXPECT_EQ(file_records, ReadText(text));
  EXPECT_GT(file_records.size(), 10000u);
}

// The rows an import makes of `bytes`, by reading every record.
std::uint64_t RowsByReading(const std::string& bytes) {
  CsvReader reader(bytes);
  std::vector<CsvField> fields;
  bool blank = false;
  std::uint64_t rows = 0;
  bool header = true;
  while (reader.Next(fields, &blank)) {
    if (!header && !blank) ++rows;
    header = false;
  }
  return rows;
}

TEST(CsvReader, CountingRowsAgreesWithReadingThemInPiecesOfAnySize) {
  std::vector<std::string> inputs = {
      "",
      "a,b\r\n",
      "a,b\r\n1,2\r\n\r\n3,4",
      "\r\n\r\nx\r\n",
      "h\n1\r2\n\r3\r\n",
      "h\r\n\"a\r\nb\",1\r\n\"\"\r\n\"x\"\"\r\n\"\r\n",
      "h\r\nx\"y\r\n,\"q\r\nz\"\r\n\"unterminated\r\nrest",
      "h\r\n\"a\"b\",\"c\r\n",
      "h\r\n\"\"\"\"\r\n\"\"\r\n",
      "\"h\r\n1\"\r\n2\r",
  };
  // Random texts of the characters that matter, and others.
  std::uint64_t state = 42;
  const char alphabet[] = {'a', ',', '"', '\r', '\n', 'b', ',', '"'};
  for (int n = 0; n < 300; ++n) {
    std::string text;
    const int length = n % 60;
    for (int i = 0; i < length; ++i) {
      state = state * 6364136223846793005ull + 1442695040888963407ull;
      text += alphabet[(state >> 33) % sizeof alphabet];
    }
    inputs.push_back(text);
  }
  test::TempDir dir;
  for (const std::string& input : inputs) {
    SCOPED_TRACE(testing::PrintToString(input));
    const std::uint64_t expected = RowsByReading(input);
    EXPECT_EQ(CountImportRows(input), expected);
    test::WriteFile(dir / "t.txt", input);
    for (std::size_t block : {1, 2, 3, 7, 1 << 20})
      EXPECT_EQ(CountImportRowsOfFile(dir / "t.txt", "t.txt", block), expected) << block;
  }
}

TEST(CsvReader, SmallBuffersSplitEveryKindOfRecordAndCharacter) {
  // Buffers of 1 to 9 bytes end inside four-byte and double-byte characters, quoted
  // stretches, doubled quotes and CR LF pairs.
  const std::string ji = "\x95\x34\xB2\x35";  // 𠮷
  const std::string zhong = "\xD6\xD0";       // 中
  std::string text;
  for (int i = 0; i < 40; ++i) {
    text += ji + zhong + std::to_string(i) + ",";
    if (i % 2 == 0) text += "\"" + ji + "\"\"" + zhong + ",\r\n" + ji + "\"";
    if (i % 3 == 0) text += ",,";
    text += i % 4 == 0 ? "\r" : i % 4 == 1 ? "\r\n" : "\n";
  }
  test::TempDir dir;
  const std::string path = dir / "small.csv";
  test::WriteFile(path, text);
  const std::vector<std::string> expected = ReadText(text);
  ASSERT_EQ(expected.size(), 40u);
  for (std::size_t buffer = 1; buffer <= 9; ++buffer) {
    SCOPED_TRACE(buffer);
    const int fd = os::OpenRead(path);
    ASSERT_GE(fd, 0);
    CsvReader from_file(fd, "small.csv", buffer);
    EXPECT_EQ(ReadAll(from_file), expected);
    os::Close(fd);
  }
}

}  // namespace
}  // namespace qoru::db
