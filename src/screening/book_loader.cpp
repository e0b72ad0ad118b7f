#include "screening/book_loader.h"

#include <optional>

#include "checks/tables/book_database.h"
#include "checks/tables/book_tables.h"
#include "checks/tables/chart.h"
#include "checks/values/book_text.h"
#include "database/staging_database.h"
#include "files/file_system.h"
#include "files/text_lines.h"
#include "screening/book_builder.h"
#include "staging/format_description.h"
#include "text/gbk_codec.h"

namespace qoru::screening {
namespace {

using checks::BookDatabase;

const std::vector<std::pair<std::string, std::vector<std::string>>> kPostingRoles = {
    {"date", {"凭证日期", "日期", "记账凭证日期"}},
    {"type", {"凭证种类", "凭证字", "凭证类型", "凭证类别", "记账凭证类型编号"}},
    {"number", {"凭证编号", "凭证号", "记账凭证编号"}},
    {"line", {"行号", "分录号", "分录序号", "记账凭证行号"}},
    {"account", {"科目编号", "科目代码"}},
    {"debit", {"借方金额", "借方发生额", "借方本币金额"}},
    {"credit", {"贷方金额", "贷方发生额", "贷方本币金额"}},
    {"void", {"作废标志"}},
    {"summary", {"摘要", "记账凭证摘要"}},
    {"preparer", {"制单人员", "制单人"}},
    {"approver", {"审核人员", "审核人"}},
    {"poster", {"记账人员", "记账人"}},
};

std::string Quote(const std::string& column) {
  std::string out = "\"";
  for (char c : column) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

// The column of `columns` named `name`, ASCII case ignored.
const std::string* FindColumn(const std::vector<std::string>& columns, std::string_view name) {
  for (const std::string& c : columns)
    if (checks::EqualsIgnoringAsciiCase(c, name)) return &c;
  return nullptr;
}

// The table of a description section (the first entry), if the database holds it.
std::optional<std::string> SectionTable(BookDatabase& db, const FormatDescription& d,
                                        std::string_view section_utf8) {
  const std::string section = Gbk(section_utf8);
  for (const std::string& entry : d.table_map) {
    if (entry.compare(0, entry.find('='), section) != 0) continue;
    const std::string name = GbkToUtf8Escaped(db::ImportTableName(entry));
    if (name.empty()) return std::nullopt;
    return db.FindTable(name);
  }
  return std::nullopt;
}

std::optional<int> ReadYear(std::string_view text) {
  text = checks::TrimBlanks(text);
  if (text.empty() || text.size() > 4) return std::nullopt;
  int y = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    y = y * 10 + (c - '0');
  }
  return y > 0 ? std::optional<int>(y) : std::nullopt;
}

// The book table's year and code structure, from its first row.
void ReadBook(BookDatabase& db, const std::string& table, std::optional<int>& year,
              std::vector<int>& structure) {
  const std::vector<std::string> columns = db.Columns(table);
  const std::string* year_column = FindColumn(columns, "年度");
  if (!year_column) year_column = FindColumn(columns, "会计年度");
  const std::string* structure_column = FindColumn(columns, "科目结构");
  checks::ColumnSelection selection;
  const int y = selection.Add(year_column);
  const int s = selection.Add(structure_column);
  if (selection.expressions.empty()) return;
  bool first = true;
  db.Scan(table, selection.expressions, [&](std::int64_t, const checks::ScanRow& r) {
    if (!first) return;
    first = false;
    if (y >= 0) year = ReadYear(r.Text(y));
    if (s >= 0) structure = ParseCodeStructure(r.Text(s));
  });
}

}  // namespace

const std::vector<std::pair<std::string, std::vector<std::string>>>& PostingRoleNames() {
  return kPostingRoles;
}

std::optional<PostingColumnOverride> ParsePostingColumn(std::string_view text, std::string* error) {
  const std::size_t dot = text.find('.');
  const std::size_t eq = text.find('=');
  if (dot == std::string_view::npos || eq == std::string_view::npos || eq < dot) {
    *error = "--column 的值 " + std::string(text) + " 不是 表.角色=列名 的形式";
    return std::nullopt;
  }
  const std::string_view table = text.substr(0, dot);
  const std::string role(text.substr(dot + 1, eq - dot - 1));
  const std::string column(text.substr(eq + 1));
  if (table != "postings" && table != "记账凭证") {
    *error = "--column 的值 " + std::string(text) + " 的表只能是 postings（记账凭证）";
    return std::nullopt;
  }
  for (const auto& [word, names] : kPostingRoles) {
    if (word == role) {
      if (column.empty()) {
        *error = "--column 的值 " + std::string(text) + " 没有列名";
        return std::nullopt;
      }
      return PostingColumnOverride{role, column};
    }
  }
  *error = "--column 的值 " + std::string(text) + " 的角色 " + role + " 不是凭证表的角色";
  return std::nullopt;
}

ScreenBook LoadScreenBook(const std::string& database, const std::string& description,
                          const std::vector<PostingColumnOverride>& overrides,
                          std::string book_set_name) {
  BookDatabase db(database);
  const checks::BookTables tables = checks::FindBookTables(db, description, {});
  FormatDescription d;
  ReadFormatDescriptionLines(LoadLines(description), d);

  // The chart: its codes (without the completion's rows) and names, and the book's
  // code structure and year.
  ChartAccounts chart;
  std::optional<int> year;
  if (const auto book = SectionTable(db, d, "电子账簿")) ReadBook(db, *book, year, chart.structure);
  if (tables.chart.present() && tables.chart.Column(checks::Role::kAccount)) {
    const checks::Chart loaded = checks::Chart::Load(db, tables.chart);
    const std::vector<std::string> columns = db.Columns(tables.chart.name());
    const std::string* name_column = FindColumn(columns, "科目名称");
    checks::ColumnSelection selection;
    const int a = selection.Add(tables.chart.Column(checks::Role::kAccount));
    const int n = selection.Add(name_column);
    db.Scan(tables.chart.name(), selection.expressions,
            [&](std::int64_t row, const checks::ScanRow& r) {
              if (row > loaded.file_rows()) return;
              chart.accounts.emplace_back(std::string(checks::TrimBlanks(r.Text(a))),
                                          n >= 0 ? std::string(r.Text(n)) : std::string());
            });
  }
  if (!year && tables.balances.present()) {
    if (const std::string* c = tables.balances.Column(checks::Role::kYear)) {
      const std::vector<std::string> years =
          db.Texts("SELECT DISTINCT trim(" + Quote(*c) + ") FROM " + Quote(tables.balances.name()));
      if (years.size() == 1) year = ReadYear(years[0]);
    }
  }

  ScreenColumns present;
  std::vector<std::string> picked(kPostingRoles.size());
  std::string table;
  if (tables.postings.present()) {
    table = tables.postings.name();
    const std::vector<std::string> columns = db.Columns(table);
    for (std::size_t i = 0; i < kPostingRoles.size(); ++i) {
      const auto& [role, names] = kPostingRoles[i];
      const std::string* found = nullptr;
      bool overridden = false;
      for (const PostingColumnOverride& o : overrides) {
        if (o.role != role) continue;
        overridden = true;
        found = FindColumn(columns, o.column);
        if (!found)
          present.missing[role] =
              "凭证表 " + table + " 没有指定的列 " + o.column + "（" + role + "）";
      }
      if (!overridden) {
        for (const std::string& name : names)
          if ((found = FindColumn(columns, name))) break;
        if (!found) {
          std::string list;
          for (const std::string& name : names) list += (list.empty() ? "" : "、") + name;
          present.missing[role] = "凭证表 " + table + " 没有 " + role + " 列（" + list + "）";
        }
      }
      if (found) picked[i] = *found;
    }
  } else {
    for (const auto& [role, names] : kPostingRoles)
      present.missing[role] = tables.postings.Missing(checks::Role::kDate);
  }
  const auto has = [&](std::size_t i) { return !picked[i].empty(); };
  present.date = has(0);
  present.type = has(1);
  present.number = has(2);
  present.line = has(3);
  present.account = has(4);
  present.debit = has(5);
  present.credit = has(6);
  present.summary = has(8);
  present.preparer = has(9);
  present.approver = has(10);
  present.poster = has(11);

  BookBuilder builder(present, std::move(chart));
  if (!table.empty()) {
    checks::ColumnSelection selection;
    std::vector<int> index(kPostingRoles.size(), -1);
    for (std::size_t i = 0; i < kPostingRoles.size(); ++i)
      if (has(i)) index[i] = selection.Add(&picked[i]);
    if (!selection.expressions.empty()) {
      db.Scan(table, selection.expressions, [&](std::int64_t row, const checks::ScanRow& r) {
        const auto text = [&](std::size_t i) {
          return index[i] >= 0 ? r.Text(index[i]) : std::string_view();
        };
        PostingRow p;
        p.row = row;
        p.date = text(0);
        p.type = text(1);
        p.number = text(2);
        p.line = text(3);
        p.account = text(4);
        p.debit = text(5);
        p.credit = text(6);
        p.void_flag = text(7);
        p.summary = text(8);
        p.preparer = text(9);
        p.approver = text(10);
        p.poster = text(11);
        builder.Add(p);
      });
    }
  }
  return builder.Finish(std::move(book_set_name), table, year);
}

}  // namespace qoru::screening
