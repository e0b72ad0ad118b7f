// Fuzz target: the format description reader and the text line rules under it.
//
// Input: one byte choosing the line reader's buffer size (1 to 64 bytes) and whether
// to copy the file, then the bytes of a GSSM.txt. Checks:
//   - the lines are the same whatever the buffer size, and the streamed copy of the
//     file is exactly those lines, each followed by CR LF (the copy works with blocks
//     of a megabyte, which is slow under the sanitizers: every other input does it),
//     read as staging reads them: a NUL byte ends the text, and every reader and the
//     copy place it alike, on the line after the last one read;
//   - every file-name line either names its table or is refused with its line;
//   - the reader only ever raises nothing: it fills TableMap and HeaderMap entry for
//     entry, every HeaderMap value is quoted text, every archive file is also in
//     TableMap, and it stops early only at a table header on the last line.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "files/text_lines.h"
#include "fuzz_support.h"
#include "staging/format_description.h"
#include "staging/table_names.h"
#include "staging/table_text.h"
#include "text/string_list.h"

using namespace qoru;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Cursor cursor(data, size);
  const std::uint8_t parameters = cursor.Byte();
  const std::size_t buffer_size = 1 + parameters % 64;
  const bool copy_file = parameters & 0x80;
  const fuzz::MemFile file(cursor.Rest());

  StringList lines;
  std::vector<std::string> small;
  std::optional<NulByte> nul, small_nul;
  {
    LineReader reader(file.path(), 4096);
    reader.CutAtNulByte(&nul);
    std::string line;
    while (reader.Next(line)) lines.Add(line);
    LineReader small_reader(file.path(), buffer_size);
    small_reader.CutAtNulByte(&small_nul);
    while (small_reader.Next(line)) small.push_back(line);
  }
  FUZZ_CHECK(small == lines.items());
  const std::optional<NulByte> found = FindNulByte(file.path());
  FUZZ_CHECK(nul.has_value() == found.has_value() && small_nul.has_value() == found.has_value());
  if (found) {
    FUZZ_CHECK(nul->offset == found->offset && small_nul->offset == found->offset);
    FUZZ_CHECK(nul->line == found->line && small_nul->line == found->line);
    FUZZ_CHECK(found->line >= lines.Count());
  }

  if (copy_file) {
    const fuzz::MemFile copy;
    std::optional<NulByte> cut;
    const std::uint64_t written = CopyTextLines(file.path(), copy.path(), &cut);
    std::string expected;
    for (const std::string& line : lines) expected += line + "\r\n";
    FUZZ_CHECK(copy.Contents() == expected);
    FUZZ_CHECK(written == expected.size());
    FUZZ_CHECK(cut.has_value() == found.has_value());
    if (found) FUZZ_CHECK(cut->line == found->line && cut->offset == found->offset);
  }

  FormatDescription d;
  const bool complete = ReadFormatDescriptionLines(lines, d);
  FUZZ_CHECK(d.table_map.Count() == d.header_map.Count());
  FUZZ_CHECK(complete == (d.stopped_at_line == 0));
  if (!complete) FUZZ_CHECK(d.stopped_at_line == lines.Count());
  for (std::size_t i = 0; i < d.header_map.Count(); ++i) {
    const std::string& entry = d.header_map[i];
    HeaderLineOf(entry);
    // The entries pair up: TableMap "<section>=<file>", HeaderMap "<file>='<columns>'".
    // Section, file and column names may all hold "=", so try every split.
    const std::string& table_entry = d.table_map[i];
    bool paired = false;
    for (std::size_t eq = table_entry.find('='); eq != std::string::npos && !paired;
         eq = table_entry.find('=', eq + 1)) {
      const std::string file_name = table_entry.substr(eq + 1);
      paired = entry.size() >= file_name.size() + 3 && entry.starts_with(file_name + "='") &&
               entry.back() == '\'';
    }
    FUZZ_CHECK(paired);
  }
  std::size_t archives = 0;
  for (const std::string& entry : d.table_map) {
    if (archives < d.aux_archive_files.Count() &&
        entry.ends_with("=" + d.aux_archive_files[archives]))
      ++archives;
  }
  FUZZ_CHECK(archives == d.aux_archive_files.Count());
  for (const TableNameProblem& problem : TableNameProblems(d))
    FUZZ_CHECK(problem.entry < d.table_map.Count() && problem.line == d.table_lines[problem.entry]);
  FUZZ_CHECK(d.table_lines.size() == d.table_map.Count());
  if (d.accounts_file_set) {
    bool named = false;
    for (const std::string& entry : d.table_map) named |= EntryValue(entry) == d.accounts_file;
    FUZZ_CHECK(named);
  }
  return 0;
}
