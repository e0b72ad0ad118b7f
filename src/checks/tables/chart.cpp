#include "checks/tables/chart.h"

#include <algorithm>

#include "checks/values/book_text.h"
#include "database/sql/jet_translator.h"

namespace qoru::checks {
namespace {

constexpr std::string_view kCodeColumn = "科目编号";  // the columns the completion fills
constexpr std::string_view kNameColumn = "科目名称";
constexpr std::string_view kDirectionColumn = "余额方向";
constexpr std::string_view kAddedName = "系统生成";

bool IsScratchTable(std::string_view name) {
  if (name.size() < 4 || !EqualsIgnoringAsciiCase(name.substr(0, 3), "tmp")) return false;
  return std::all_of(name.begin() + 3, name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool HasColumn(const std::vector<std::string>& columns, std::string_view name) {
  return std::any_of(columns.begin(), columns.end(),
                     [&](const std::string& c) { return EqualsIgnoringAsciiCase(c, name); });
}

// SQL that is 1 for a row the completion may have appended, 0 otherwise; "0" when the
// completion cannot have touched the table. The completion works on the table kjkm
// (whatever the chart file is called) and takes its rows from the tables tmpN.
std::string AddedRowTest(BookDatabase& db, const TableRoles& table) {
  if (!EqualsIgnoringAsciiCase(table.name(), "kjkm")) return "0";
  const std::vector<std::string> columns = db.Columns(table.name());
  for (std::string_view needed : {kCodeColumn, kNameColumn, kDirectionColumn})
    if (!HasColumn(columns, needed)) return "0";
  std::string sources;
  for (const std::string& name : db.TableNames()) {
    if (!IsScratchTable(name) || !HasColumn(db.Columns(name), kCodeColumn)) continue;
    if (!sources.empty()) sources += " UNION ALL ";
    sources.append("SELECT ").append(db::QuoteName(kCodeColumn)).append(" FROM ");
    sources += db::QuoteName(name);
  }
  if (sources.empty()) return "0";
  std::string test = "(";
  test.append(db::QuoteName(kNameColumn)).append(" = '").append(kAddedName).append("'");
  for (const std::string& c : columns) {
    if (EqualsIgnoringAsciiCase(c, kCodeColumn) || EqualsIgnoringAsciiCase(c, kNameColumn) ||
        EqualsIgnoringAsciiCase(c, kDirectionColumn))
      continue;
    test.append(" AND ").append(db::QuoteName(c)).append(" IS NULL");
  }
  test.append(" AND ").append(db::QuoteName(kCodeColumn)).append(" IN (");
  return test.append(sources).append("))");
}

}  // namespace

int Chart::Find(std::string_view key) const {
  const auto it = index_.find(key);
  return it == index_.end() ? -1 : it->second;
}

void Chart::Add(std::string_view code, std::string_view direction, std::int64_t row,
                bool has_direction) {
  const Side side = has_direction ? ParseSide(direction) : Side::kOther;
  if (has_direction && side == Side::kOther)
    unreadable_.push_back({row, std::string(TrimBlanks(code)), std::string(direction)});
  std::string key = AccountKey(code);
  // A blank code is no account; a repeated code's first row counts.
  if (key.empty() || index_.count(key) != 0) return;
  Account a;
  a.code = std::string(TrimBlanks(code));
  a.key = key;
  a.side = side;
  a.row = row;
  index_.emplace(std::move(key), static_cast<int>(accounts_.size()));
  accounts_.push_back(std::move(a));
}

void Chart::Link(const std::vector<int>& structure) {
  std::vector<std::size_t> ends;  // the length of a code of each level
  std::size_t end = 0;
  for (int n : structure) ends.push_back(end += static_cast<std::size_t>(n));
  for (int i = 0; i < size(); ++i) {
    const std::string& key = accounts_[static_cast<std::size_t>(i)].key;
    int p = -1;
    if (!ends.empty()) {
      for (std::size_t level = 1; level < ends.size(); ++level)
        if (ends[level] == key.size()) p = Find(std::string_view(key).substr(0, ends[level - 1]));
    } else {
      for (std::size_t len = key.size(); len-- > 1 && p < 0;)
        p = Find(std::string_view(key).substr(0, len));
    }
    if (p < 0) continue;
    accounts_[static_cast<std::size_t>(i)].parent = p;
    accounts_[static_cast<std::size_t>(p)].children.push_back(i);
  }
}

Chart Chart::FromRows(const std::vector<std::pair<std::string, std::string>>& rows,
                      const std::vector<int>& structure, bool has_direction) {
  Chart chart;
  chart.file_rows_ = static_cast<std::int64_t>(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i)
    chart.Add(rows[i].first, rows[i].second, static_cast<std::int64_t>(i + 1), has_direction);
  chart.Link(structure);
  return chart;
}

Chart Chart::Load(BookDatabase& db, const TableRoles& table, const std::vector<int>& structure) {
  Chart chart;
  const std::string* account = table.Column(Role::kAccount);
  if (!table.present() || account == nullptr) return chart;
  const std::string* direction = table.Column(Role::kDirection);
  struct Row {
    std::string code;
    std::string direction;
    bool maybe_added;
  };
  std::vector<Row> rows;
  db.Scan(table.name(),
          {db::QuoteName(*account), direction ? db::QuoteName(*direction) : "NULL",
           AddedRowTest(db, table)},
          [&](std::int64_t, const ScanRow& r) {
            rows.push_back({std::string(r.Text(0)), std::string(r.Text(1)), r.Text(2) == "1"});
          });
  std::size_t file_rows = rows.size();
  while (file_rows > 0 && rows[file_rows - 1].maybe_added) --file_rows;
  chart.file_rows_ = static_cast<std::int64_t>(file_rows);
  chart.completion_rows_ = static_cast<std::int64_t>(rows.size() - file_rows);
  for (std::size_t i = 0; i < file_rows; ++i)
    chart.Add(rows[i].code, rows[i].direction, static_cast<std::int64_t>(i + 1),
              direction != nullptr);
  chart.Link(structure);
  return chart;
}

}  // namespace qoru::checks
