#include "staging/table_text.h"

#include <cstdint>
#include <cstring>
#include <memory>

#include <unordered_set>

#include <fmt/format.h>

#include "errors/errors.h"
#include "files/file_system.h"
#include "files/os_file.h"
#include "files/path_text.h"
#include "files/text_lines.h"
#include "text/gbk_codec.h"
#include "text/gbk_text.h"

namespace qoru {
namespace {

void AppendValue(std::string_view value, std::string& out) {
  if (value.find_first_of(",\"") == std::string_view::npos) {
    out.append(value);
  } else {
    AppendDoubleQuoted(value, out);
  }
}

// Turns every tab of [p, p + n) into a comma, eight bytes at a time: a line holds a tab
// every few bytes, which a test of each byte mispredicts.
void TabsToCommas(char* p, std::size_t n) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
  constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t x;
    std::memcpy(&x, p + i, 8);
    const std::uint64_t t = x ^ (kOnes * '\t');  // a zero byte where a tab was
    // 0x80 in exactly the zero bytes of t (no carry crosses a byte), then 0xFF there.
    const std::uint64_t zero = ~(((t & kLow7) + kLow7) | t | kLow7);
    if (zero == 0) continue;
    const std::uint64_t mask = (zero >> 7) * 0xFF;
    x = (x & ~mask) | ((kOnes * ',') & mask);
    std::memcpy(p + i, &x, 8);
  }
  for (; i < n; ++i)
    if (p[i] == '\t') p[i] = ',';
}

// The sections of the description that named `file`, for messages.
std::string SectionsNaming(const StringList& table_map, std::string_view file) {
  std::string sections;
  for (const std::string& entry : table_map) {
    if (EntryValue(entry) != file) continue;
    if (!sections.empty()) sections += "、";
    sections.append("[").append(GbkToUtf8(EntryName(entry))).append("]");
  }
  return sections;
}

void CheckExists(const std::string& path, const std::string& file, const StringList& table_map,
                 const std::string& source_dir) {
  if (PathExists(path)) return;
  // The user's own folder where it is known: the staged copy's place is the run's.
  throw FileError(
      MissingTableFileMessage(file, table_map, source_dir.empty() ? path : source_dir + "/" + file),
      path);
}

unsigned ModeOf(const std::string& path) {
  os::FileInfo info;
  return os::Stat(path, &info) ? info.mode : 0644;
}

// Streams the file through a replacement beside it: the header line first, then every
// line of the file, each passed through `line_out`.
template <typename LineOut>
void Rewrite(const std::string& path, const std::string& header, LineOut line_out) {
  RequireRegularFile(path);
  auto reader = std::make_unique<LineReader>(path);
  ReplacementFile replacement(path, ModeOf(path));
  LineWriter writer(replacement.path());
  writer.WriteLine(header);
  std::string line;
  std::string row;
  while (reader->Next(line)) {
    row.clear();
    line_out(line, row);
    row.append("\r\n");
    writer.Write(row);
  }
  writer.Close();
  // The source is closed before its replacement takes its name: Windows refuses to
  // replace a file that is open.
  reader.reset();
  replacement.Commit();
}

}  // namespace

std::string MissingTableFileMessage(const std::string& file, const StringList& table_map,
                                    const std::string& expected) {
  const std::string sections = SectionsNaming(table_map, file);
  return fmt::format(
      "找不到表文件“{}”：格式说明 GSSM.txt 的{}节指定了这个文件，但源目录中没有它，"
      "它应在 {}。请把它放进源目录，或从格式说明中删去这一节",
      GbkToUtf8(file), sections.empty() ? std::string("表") : sections, PathText(expected));
}

void AppendRewrittenRow(std::string_view line, std::string& out) {
  if (std::memchr(line.data(), ',', line.size()) == nullptr &&
      std::memchr(line.data(), '"', line.size()) == nullptr) {
    // No value needs quotes: the row is the line with its tabs turned into commas.
    const std::size_t start = out.size();
    out.append(line);
    TabsToCommas(out.data() + start, line.size());
    return;
  }
  std::size_t start = 0;
  while (true) {
    const std::size_t tab = line.find('\t', start);
    if (tab == std::string_view::npos) {
      AppendValue(line.substr(start), out);
      return;
    }
    AppendValue(line.substr(start, tab - start), out);
    out.push_back(',');
    start = tab + 1;
  }
}

std::string RewriteRow(std::string_view line) {
  std::string out;
  out.reserve(line.size() + 8);
  AppendRewrittenRow(line, out);
  return out;
}

std::string HeaderLineOf(std::string_view entry) {
  const std::size_t eq = entry.find('=');
  // Skips "=" and the opening quote; leaves out the entry's last character, the
  // closing quote. The text between is not unquoted further.
  const std::size_t start = eq == std::string_view::npos ? 1 : eq + 2;
  if (start >= entry.size()) return std::string();
  return std::string(entry.substr(start, entry.size() - start - 1));
}

std::uint64_t HeaderLinesOf(std::string_view file, const StringList& header_map) {
  std::uint64_t headers = 0;
  for (const std::string& entry : header_map)
    if (AsciiLower(EntryName(entry)) == AsciiLower(file)) ++headers;
  return headers;
}

void PrepareTableTexts(const std::string& work_dir, const StringList& header_map,
                       const StringList& table_map, const std::string& source_dir) {
  for (const std::string& entry : header_map)
    CheckBareFileName(EntryName(entry), "格式说明 GSSM.txt");
  std::unordered_set<std::string> rewritten;
  for (const std::string& entry : header_map) {
    const std::string file(EntryName(entry));
    const std::string path = work_dir + "TemplateTemp/" + file;
    CheckExists(path, file, table_map, source_dir);
    if (rewritten.insert(file).second) {
      Rewrite(path, HeaderLineOf(entry), AppendRewrittenRow);
    } else {
      // Rewritten already in this run (two sections name one file): its lines are
      // comma-separated text now and stay as they are; only the new header goes on
      // top. Rewriting them again would quote every line whole.
      Rewrite(path, HeaderLineOf(entry),
              [](std::string_view line, std::string& out) { out.append(line); });
    }
  }
}

}  // namespace qoru
