#include "checks/tables/table_preconditions.h"

#include <algorithm>

#include <fmt/format.h>

#include "checks/tables/book_database.h"
#include "checks/tables/book_tables.h"
#include "files/file_system.h"
#include "files/os_file.h"
#include "files/path_text.h"

namespace qoru::checks {

std::string DescriptionProblem(const std::string& database, const std::string& description,
                               bool given, std::string_view reader) {
  if (IsRegularFile(description)) return {};
  // A file that is no database at all is the first thing to say, and the checks say it.
  char head[16] = {};
  if (const int fd = os::OpenRead(database); fd >= 0) {
    const long n = os::Read(fd, head, sizeof head);
    os::Close(fd);
    if (n > 0 &&
        std::string(head, static_cast<std::size_t>(n)) != std::string("SQLite format 3\0", 16))
      return {};
  }
  if (given) return "找不到格式说明文件：" + PathText(description) + "（--gssm 给出的文件不存在）";
  const std::string dir = ParentDirectory(database);
  return fmt::format(
      "找不到格式说明文件 GSSM.txt：{}按它查找凭证表、余额表和科目表，默认用数据库所在目录中的 "
      "GSSM.txt，而 {}/GSSM.txt 不存在。请用 --gssm 指定它，例如转换时工作目录 TemplateTemp/ "
      "中的 GSSM.txt，或账套源目录中的 GSSM.txt",
      reader, dir.empty() ? "." : dir);
}

std::string ColumnProblem(const std::string& database, const std::string& description,
                          const std::vector<std::string>& texts,
                          const std::vector<ColumnOverride>& overrides) {
  if (overrides.empty()) return {};
  try {
    BookDatabase db(database);
    const BookTables tables = FindBookTables(db, description, {});
    for (std::size_t i = 0; i < overrides.size(); ++i) {
      const ColumnOverride& o = overrides[i];
      const TableRoles& roles = o.table == BookTable::kPostings   ? tables.postings
                                : o.table == BookTable::kBalances ? tables.balances
                                                                  : tables.chart;
      if (!roles.present()) continue;  // the checks say that the table is missing
      const std::vector<std::string> columns = db.Columns(roles.name());
      if (std::find(columns.begin(), columns.end(), o.column) != columns.end()) continue;
      std::string listed;
      for (const std::string& c : columns) listed += (listed.empty() ? "" : "、") + c;
      return fmt::format("--column {}：表 {} 没有列“{}”（它的列：{}）",
                         i < texts.size() ? texts[i] : "", roles.name(), o.column, listed);
    }
  } catch (const std::exception&) {
    // The checks themselves report a database or description that cannot be read.
  }
  return {};
}

}  // namespace qoru::checks
