#include "screening/calendar/calendar_file.h"

#include <cerrno>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

#include <fmt/format.h>

#include "checks/values/book_text.h"
#include "files/file_system.h"
#include "files/os_file.h"
#include "files/path_text.h"
#include "text/gbk_codec.h"
#include "text/source_encoding.h"
#include "text/utf8.h"

namespace qoru::screening {
namespace {

// Blanks and the ideographic space trimmed, and one pair of double quotes around the
// whole taken off (a doubled quote inside stands for one).
std::string Field(std::string_view text) {
  const std::string_view t = checks::TrimBlanks(text);  // the ideographic space too
  if (t.size() < 2 || t.front() != '"' || t.back() != '"') return std::string(t);
  std::string out;
  const std::string_view inner = t.substr(1, t.size() - 2);
  for (std::size_t i = 0; i < inner.size(); ++i) {
    out += inner[i];
    if (inner[i] == '"' && i + 1 < inner.size() && inner[i + 1] == '"') ++i;
  }
  return std::string(checks::TrimBlanks(out));
}

// The fields of a line split at commas outside double quotes.
std::vector<std::string> Fields(std::string_view line) {
  std::vector<std::string> fields;
  bool quoted = false;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= line.size(); ++i) {
    if (i < line.size() && line[i] == '"') quoted = !quoted;
    if (i == line.size() || (line[i] == ',' && !quoted)) {
      fields.push_back(Field(line.substr(start, i - start)));
      start = i + 1;
    }
  }
  return fields;
}

}  // namespace

CalendarFile ReadCalendarFile(const std::string& path) {
  CalendarFile file;
  file.path = PathText(path);
  const std::string where = "--holidays 的日历文件 " + file.path;
  if (!IsRegularFile(path))
    throw CalendarFileError(where + (PathExists(path) ? " 不是文件" : " 不存在"));
  std::string bytes;
  if (!ReadWholeFile(path, &bytes))
    throw CalendarFileError(where + " 无法读取：" + SystemErrorText(errno));
  std::string text;
  if (HasUtf8ByteOrderMark(bytes)) {
    text = bytes.substr(3);
    file.encoding = "UTF-8";
  } else if (IsValidUtf8(bytes)) {
    text = std::move(bytes);
    file.encoding = "UTF-8";
  } else {
    ConversionStats stats;
    text = GbkToUtf8(bytes, &stats);
    file.encoding = "GBK";
    if (stats.replaced > 0) text.clear();
  }
  if (text.empty() && !bytes.empty() && file.encoding == "GBK")
    throw CalendarFileError(where + " 既不是 UTF-8 也不是 GBK 文本");

  std::map<int, std::size_t> seen;  // date -> its first entry
  bool first = true;
  int number = 0;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string_view line = std::string_view(text).substr(start, end - start);
    start = end + 1;
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::vector<std::string> fields = Fields(line);
    if (fields.size() == 1 && fields[0].empty()) continue;
    const std::string at = fmt::format("{} 第 {} 行“{}”", where, number, ValidUtf8(line));
    const std::optional<checks::CalendarDate> date = checks::ParseCalendarDate(fields[0]);
    const bool header =
        first && !date && (fields.size() < 2 || (fields[1] != "休" && fields[1] != "班"));
    first = false;
    if (header) continue;
    if (!date)
      throw CalendarFileError(at + "：日期“" + fields[0] +
                              "”不可读（应为 2027-10-01、2027/10/1 或 20271001 这样的日期）");
    if (fields.size() < 2 || (fields[1] != "休" && fields[1] != "班"))
      throw CalendarFileError(at +
                              "：类型应为“休”（休息日）或“班”（工作日），格式为 日期,类型[,名称]");
    CalendarEntry e;
    e.date = date->year * 10000 + date->month * 100 + date->day;
    e.rest = fields[1] == "休";
    for (std::size_t i = 2; i < fields.size(); ++i) e.name += (i > 2 ? "," : "") + fields[i];
    e.line = number;
    if (const auto it = seen.find(e.date); it != seen.end() && file.days[it->second].rest != e.rest)
      throw CalendarFileError(fmt::format("{}：与第 {} 行给同一天 {} 不同的类型", at,
                                          file.days[it->second].line, fields[0]));
    seen.emplace(e.date, file.days.size());
    file.days.push_back(std::move(e));
  }
  if (file.days.empty()) throw CalendarFileError(where + " 中没有日期");
  return file;
}

}  // namespace qoru::screening
