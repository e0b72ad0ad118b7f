#include "checks/tables/book_table.h"

#include "checks/values/book_text.h"
#include "checks/values/book_words.h"
#include "database/sql/jet_translator.h"
#include "database/staging_database.h"
#include "files/file_system.h"
#include "files/text_lines.h"
#include "text/gbk_codec.h"
#include "text/gbk_text.h"

namespace qoru::checks {
namespace {

struct Section {
  std::string file;                  // GBK, as the description writes it
  std::vector<std::string> columns;  // UTF-8
};

bool EndsSection(const std::string& line) {
  return Trim(line).empty() || line.find('[') != std::string::npos;
}

// The first 电子账簿 section of the description: its file and its column names.
std::optional<Section> FindSection(const StringList& lines) {
  static const std::string kBook = Gbk("电子账簿");
  for (std::size_t i = 0; i < lines.Count(); ++i) {
    if (!ContainsText(lines[i], kBook, true)) continue;
    if (i + 1 >= lines.Count() || EndsSection(lines[i + 1])) return std::nullopt;
    Section s;
    s.file = std::string(Trim(lines[i + 1]));
    for (std::size_t j = i + 2; j < lines.Count() && !EndsSection(lines[j]); ++j) {
      const std::string& line = lines[j];
      s.columns.push_back(GbkToUtf8Escaped(Trim(line.substr(0, line.find(',')))));
    }
    return s;
  }
  return std::nullopt;
}

std::vector<std::string> SplitTabs(const std::string& gbk_line) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (;;) {
    const std::size_t tab = gbk_line.find('\t', start);
    out.push_back(GbkToUtf8Escaped(gbk_line.substr(start, tab - start)));
    if (tab == std::string::npos) return out;
    start = tab + 1;
  }
}

// The first row of the staged file `path` (an empty line is no row).
std::optional<std::vector<std::string>> FirstFileRow(const std::string& path) {
  LineReader reader(path);
  std::string line;
  while (reader.Next(line))
    if (!line.empty()) return SplitTabs(line);
  return std::nullopt;
}

}  // namespace

BookFacts BookFactsOf(const std::string& table_name, const std::vector<std::string>& columns,
                      const std::optional<std::vector<std::string>>& first_row,
                      const std::vector<ColumnOverride>& overrides) {
  BookFacts facts;
  facts.table = TableRoles(BookTable::kBook, table_name, columns, overrides);
  const auto value = [&](Role role) -> std::optional<std::string> {
    const std::string* column = facts.table.Column(role);
    if (column == nullptr || !first_row) return std::nullopt;
    for (std::size_t i = 0; i < columns.size(); ++i)
      if (columns[i] == *column) return i < first_row->size() ? (*first_row)[i] : std::string();
    return std::nullopt;
  };
  if (!first_row) {
    facts.no_year = "电子账簿 " + table_name + " 没有行";
  } else if (const std::optional<std::string> y = value(Role::kYear)) {
    facts.year = ParseYear(*y);
    if (!facts.year) facts.no_year = "电子账簿的年度“" + *y + "”不是年份";
  } else {
    facts.no_year = facts.table.Missing(Role::kYear);
  }
  if (const std::optional<std::string> s = value(Role::kStructure)) {
    facts.structure_text = std::string(TrimBlanks(*s));
    facts.structure = ParseCodeStructure(*s);
  }
  return facts;
}

BookFacts ReadBookFacts(BookDatabase& db, const std::string& description_path,
                        const std::vector<ColumnOverride>& overrides) {
  BookFacts none;
  if (!IsRegularFile(description_path)) return none;
  const std::optional<Section> section = FindSection(LoadLines(description_path));
  if (!section) {
    none.table = TableRoles(BookTable::kBook, "格式说明 GSSM.txt 中没有“电子账簿”节");
    none.no_year = none.table.Missing(Role::kYear);
    return none;
  }
  const std::string name = GbkToUtf8Escaped(db::ImportTableName("x=" + section->file));
  if (const std::optional<std::string> found = name.empty() ? std::nullopt : db.FindTable(name)) {
    const std::vector<std::string> columns = db.Columns(*found);
    std::vector<std::string> expressions;
    for (const std::string& c : columns) expressions.push_back(db::QuoteName(c));
    std::optional<std::vector<std::string>> first;
    db.Scan(*found, expressions, [&](std::int64_t, const ScanRow& r) {
      if (first) return;
      first.emplace();
      for (std::size_t i = 0; i < columns.size(); ++i)
        first->emplace_back(r.Text(static_cast<int>(i)));
    });
    return BookFactsOf(*found, columns, first, overrides);
  }
  const std::string dir = ParentDirectory(description_path);
  const std::string file = dir.empty() ? section->file : dir + "/" + section->file;
  const std::string shown = GbkToUtf8(section->file);
  if (!IsRegularFile(file)) {
    none.table = TableRoles(BookTable::kBook, "找不到电子账簿文件 " + shown);
    none.no_year = none.table.Missing(Role::kYear);
    return none;
  }
  const std::string shown_name = LastPathPart(shown);
  const std::size_t dot = shown_name.rfind('.');
  const std::string stem =
      dot == std::string::npos || dot == 0 ? shown_name : shown_name.substr(0, dot);
  return BookFactsOf(stem, section->columns, FirstFileRow(file), overrides);
}

std::optional<int> BookSetYear(const BookFacts& book, std::optional<int> balances_year,
                               const std::string& balances_why, std::string* why) {
  if (book.year) return book.year;
  if (balances_year) return balances_year;
  const std::string book_why =
      book.no_year.empty() ? book.table.Missing(Role::kYear) : book.no_year;
  *why = book_why + "；" + balances_why;
  return std::nullopt;
}

}  // namespace qoru::checks
