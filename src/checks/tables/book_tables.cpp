#include "checks/tables/book_tables.h"

#include <optional>

#include "checks/values/balance_year.h"
#include "database/sql/jet_translator.h"
#include "database/staging_database.h"
#include "files/file_system.h"
#include "files/path_text.h"
#include "files/text_lines.h"
#include "staging/format_description.h"
#include "text/gbk_codec.h"

namespace qoru::checks {
namespace {

// The table map entry of `section`: the first, or for the chart the one of AccountsFile.
std::optional<std::string> Entry(const FormatDescription& d, BookTable table) {
  const std::string section = Gbk(SectionName(table));
  if (table == BookTable::kChart) {
    if (!d.accounts_file_set) return std::nullopt;
    return section + "=" + d.accounts_file;
  }
  for (const std::string& entry : d.table_map)
    if (entry.compare(0, entry.find('='), section) == 0) return entry;
  return std::nullopt;
}

TableRoles Locate(BookDatabase& db, const FormatDescription& d, BookTable table,
                  const std::vector<ColumnOverride>& overrides) {
  const std::string section(SectionName(table));
  const std::optional<std::string> entry = Entry(d, table);
  if (!entry) return TableRoles(table, "格式说明 GSSM.txt 中没有“" + section + "”节");
  const std::string file = GbkToUtf8(entry->substr(entry->find('=') + 1));
  const std::string name = GbkToUtf8Escaped(db::ImportTableName(*entry));
  if (name.empty())
    return TableRoles(table, "“" + section + "”节的文件名“" + file + "”不能作为表名");
  const std::optional<std::string> found = db.FindTable(name);
  if (!found)
    return TableRoles(table,
                      "数据库中没有表 " + name + "（“" + section + "”节的文件 " + file + "）");
  return TableRoles(table, *found, db.Columns(*found), overrides);
}

}  // namespace

BookTables FindBookTables(BookDatabase& db, const std::string& description_path,
                          const std::vector<ColumnOverride>& overrides) {
  if (!IsRegularFile(description_path))
    throw MissingDescription("找不到格式说明文件 " + PathText(description_path));
  FormatDescription description;
  // A description that stops early still names the tables read before it stopped.
  ReadFormatDescriptionLines(LoadLines(description_path), description);
  return {Locate(db, description, BookTable::kPostings, overrides),
          Locate(db, description, BookTable::kBalances, overrides),
          Locate(db, description, BookTable::kChart, overrides),
          ReadBookFacts(db, description_path, overrides)};
}

std::optional<int> ReadBookSetYear(BookDatabase& db, const BookTables& tables, std::string* why) {
  std::string balances_why;
  std::optional<int> balances_year;
  if (!tables.book.year) {
    const TableRoles& balances = tables.balances;
    const std::string* column = balances.present() ? balances.Column(Role::kYear) : nullptr;
    if (column) {
      BalanceYear years;
      for (const std::string& value : db.Texts("SELECT DISTINCT " + db::QuoteName(*column) +
                                               " FROM " + db::QuoteName(balances.name())))
        years.Add(value);
      balances_year = years.Year(balances.name(), &balances_why);
    } else {
      balances_why = balances.Missing(Role::kYear);
    }
  }
  return BookSetYear(tables.book, balances_year, balances_why, why);
}

}  // namespace qoru::checks
