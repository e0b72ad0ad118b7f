// Fuzz target: the text import's record reader, and the table text rewrite that
// produces what it reads.
//
// Input: one byte choosing the check, then the data.
//   even: one more byte gives the reader's buffer size (1 to 64 bytes), then the data
//         is a staging text file. Its records read the same from memory and from a
//         file read through that small buffer, so that its boundaries fall inside
//         records, quoted stretches, doubled quotes and CR LF pairs; written back with
//         quotes where a field needs them, they read back as the same values (NULL
//         stays NULL, text stays text).
//   odd:  the data is one row line of a table file (cut at its first line end or NUL).
//         Rewritten as comma-separated text, it reads back as exactly its tab-separated
//         values.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "database/import/csv_reader.h"
#include "fuzz_support.h"
#include "staging/table_text.h"

using namespace qoru;
using qoru::db::CsvField;
using qoru::db::CsvReader;

namespace {

using Value = std::optional<std::string>;  // nullopt: an empty, unquoted field (NULL)

struct Record {
  std::vector<Value> values;
  bool blank = false;
  bool operator==(const Record&) const = default;
};

std::vector<Record> ReadAll(CsvReader& reader) {
  std::vector<Record> records;
  std::vector<CsvField> fields;
  bool blank = false;
  std::uint64_t last_line = 0;
  while (reader.Next(fields, &blank)) {
    FUZZ_CHECK(!fields.empty());
    FUZZ_CHECK(reader.record_line() > last_line);
    FUZZ_CHECK(reader.line() >= reader.record_line());
    last_line = reader.line();
    Record r;
    r.blank = blank;
    for (const CsvField& f : fields)
      r.values.push_back(f.bytes.empty() && !f.quoted ? Value() : Value(f.bytes));
    records.push_back(std::move(r));
  }
  return records;
}

std::string WriteBack(const std::vector<Record>& records) {
  std::string out;
  for (const Record& r : records) {
    for (std::size_t i = 0; i < r.values.size(); ++i) {
      if (i > 0) out.push_back(',');
      if (!r.values[i]) continue;
      const std::string& v = *r.values[i];
      if (v.empty() || v.find_first_of(",\"\r\n") != std::string::npos) {
        out.push_back('"');
        for (char c : v) {
          out.push_back(c);
          if (c == '"') out.push_back('"');
        }
        out.push_back('"');
      } else {
        out += v;
      }
    }
    out += "\r\n";
  }
  return out;
}

void CheckStagingText(std::string_view text, std::size_t buffer_size) {
  CsvReader from_memory(text);
  const std::vector<Record> records = ReadAll(from_memory);
  std::size_t bytes = 0;
  for (const Record& r : records)
    for (const Value& v : r.values) bytes += v ? v->size() : 0;
  FUZZ_CHECK(bytes <= text.size());

  const fuzz::MemFile file(text);
  CsvReader from_file(file.fd(), "fuzz", buffer_size);
  FUZZ_CHECK(ReadAll(from_file) == records);

  const std::string written = WriteBack(records);
  CsvReader again(written);
  FUZZ_CHECK(ReadAll(again) == records);
}

void CheckRewrittenRow(std::string_view line) {
  line = line.substr(0, line.find_first_of(std::string_view("\r\n\0", 3)));
  std::vector<std::string> values;
  for (std::size_t start = 0;;) {
    const std::size_t tab = line.find('\t', start);
    values.emplace_back(line.substr(start, tab == std::string_view::npos ? tab : tab - start));
    if (tab == std::string_view::npos) break;
    start = tab + 1;
  }
  const std::string row = RewriteRow(line);
  FUZZ_CHECK(row.find_first_of("\t\r\n") == std::string::npos);
  CsvReader reader(row);
  std::vector<CsvField> fields;
  bool blank = false;
  FUZZ_CHECK(reader.Next(fields, &blank) || row.empty());
  if (row.empty()) return;
  FUZZ_CHECK(fields.size() == values.size());
  for (std::size_t i = 0; i < values.size(); ++i) FUZZ_CHECK(fields[i].bytes == values[i]);
  FUZZ_CHECK(!reader.Next(fields, &blank));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Cursor cursor(data, size);
  if (cursor.Byte() % 2 == 0) {
    const std::size_t buffer_size = 1 + cursor.Byte() % 64;
    CheckStagingText(cursor.Rest(), buffer_size);
  } else {
    CheckRewrittenRow(cursor.Rest());
  }
  return 0;
}
