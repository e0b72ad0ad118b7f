#include "staging/format_description.h"

#include <fmt/format.h>

#include "files/file_system.h"
#include "files/text_lines.h"
#include "text/gbk_codec.h"
#include "text/gbk_text.h"

namespace qoru {
namespace {

// The header of a table section stood on the last line: it has no file-name line.
struct NoFileNameLine {
  std::size_t line;  // from 1
};

bool EndsSection(const std::string& line) {
  return ContainsText(line, "[") || Trim(line).empty();
}

// Index of the first line from `from` on that ends a section.
std::size_t SectionEnd(const StringList& lines, std::size_t from) {
  std::size_t j = from;
  while (j < lines.Count() && !EndsSection(lines[j])) ++j;
  return j;
}

// The width that a column line declares in its third field ("科目编号,文本,40"), or 0.
std::size_t DeclaredWidth(std::string_view line) {
  const std::size_t first = line.find(',');
  if (first == std::string_view::npos) return 0;
  const std::size_t second = line.find(',', first + 1);
  if (second == std::string_view::npos) return 0;
  const std::size_t third = line.find(',', second + 1);
  const std::string_view field =
      Trim(line.substr(second + 1, third == std::string_view::npos ? third : third - second - 1));
  if (field.empty() || field.size() > 9) return 0;
  std::size_t width = 0;
  for (char c : field) {
    if (c < '0' || c > '9') return 0;
    width = width * 10 + static_cast<std::size_t>(c - '0');
  }
  return width;
}

// Appends the entries of the table section whose header is line i. `columns` is a
// working list; it is emptied first, so that a line naming several sections gives
// each of them the columns of its own section only.
void AddTableSection(const StringList& lines, std::size_t i, const std::string& section,
                     StringList& columns, FormatDescription& out, bool is_chart, bool is_archive) {
  if (i + 1 >= lines.Count()) throw NoFileNameLine{i + 1};
  columns.Clear();
  const std::string& file = lines[i + 1];
  out.table_map.Add(section + "=" + file);
  out.table_lines.push_back(i + 2);
  if (is_chart) {
    out.accounts_file = file;
    out.accounts_file_set = true;
    out.chart_code_width = 0;
    out.chart_code_width_line = 0;
  }
  if (is_archive) out.aux_archive_files.Add(file);
  const std::size_t end = SectionEnd(lines, i + 2);
  for (std::size_t j = i + 2; j < end; ++j) {
    const std::string& line = lines[j];
    const std::size_t comma = line.find(',');
    columns.Add(comma == std::string::npos ? std::string() : line.substr(0, comma));
    static const std::string kCode = Gbk("科目编号");
    if (is_chart && out.chart_code_width_line == 0 && comma != std::string::npos &&
        line.compare(0, comma, kCode) == 0) {
      if (const std::size_t width = DeclaredWidth(line); width > 0) {
        out.chart_code_width = width;
        out.chart_code_width_line = j + 1;
      }
    }
  }
  out.header_map.Add(file + "=" + QuotedText(columns.CommaText()));
}

}  // namespace

bool ReadFormatDescriptionLines(const StringList& lines, FormatDescription& out) {
  static const std::string kTypeList = Gbk("辅助核算项档案");
  static const std::string kChart = Gbk("会计科目");
  static const std::string kBalances = Gbk("科目余额及发生额");
  static const std::string kVouchers = Gbk("记账凭证");

  // First pass: the auxiliary item type names.
  for (std::size_t i = 0; i < lines.Count(); ++i) {
    if (!ContainsText(lines[i], kTypeList, true)) continue;
    const std::size_t end = SectionEnd(lines, i + 1);
    for (std::size_t j = i + 1; j < end; ++j) out.aux_item_names.Add(lines[j]);
  }

  // Second pass: the table sections. Every test is made on every line.
  StringList columns;
  try {
    for (std::size_t i = 0; i < lines.Count(); ++i) {
      const std::string& line = lines[i];
      if (ContainsText(line, kChart, true))
        AddTableSection(lines, i, kChart, columns, out, true, false);
      if (ContainsText(line, kBalances, true))
        AddTableSection(lines, i, kBalances, columns, out, false, false);
      if (ContainsText(line, kVouchers, true))
        AddTableSection(lines, i, kVouchers, columns, out, false, false);
      for (std::size_t k = 0; k < out.aux_item_names.Count(); ++k) {
        const std::string& type = out.aux_item_names[k];
        if (ContainsText(line, "[" + type + "]", true))
          AddTableSection(lines, i, type, columns, out, false, true);
      }
    }
  } catch (const NoFileNameLine& stop) {
    out.stopped_at_line = stop.line;
    return false;
  }
  return true;
}

bool ReadFormatDescription(const std::string& work_dir, FormatDescription& out) {
  const std::string path = work_dir + "TemplateTemp/GSSM.txt";
  if (!IsRegularFile(path)) return false;
  const StringList lines = LoadLines(path);
  return ReadFormatDescriptionLines(lines, out);
}

std::string StoppedReadingMessage(const FormatDescription& description) {
  return fmt::format("格式说明 GSSM.txt 第 {} 行的表头后没有文件名行，读取在此停止",
                     description.stopped_at_line);
}

}  // namespace qoru
