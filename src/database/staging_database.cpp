#include "database/staging_database.h"

#include "database/connection.h"
#include "database/statement_runner.h"
#include "platform/file_system.h"
#include "platform/gbk_text.h"

namespace qoru::db {

namespace {
constexpr std::string_view kProvider = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=";
}

std::string CreateStagingDatabase(const std::string& work_dir) {
  const std::string result_path = work_dir + "TemplateTemp/GBA.mdb";
  CopyFileExclusive(work_dir + "DataBase/empty.mdb", result_path);
  return result_path;
}

std::string ImportTableName(std::string_view entry) {
  const std::size_t eq = entry.find('=');
  const std::size_t p = eq == std::string_view::npos ? 0 : eq + 1;  // 0-based start of value
  const std::ptrdiff_t len =
      static_cast<std::ptrdiff_t>(entry.size()) - static_cast<std::ptrdiff_t>(p) - 4;
  if (len <= 0) return std::string();
  return std::string(entry.substr(p, static_cast<std::size_t>(len)));
}

std::string ImportStatement(std::string_view table, std::string_view result_path) {
  std::string sql = "select * into ";
  sql += table;
  sql += " in ";
  sql += QuotedText(result_path);
  sql += " from ";
  sql += table;
  sql += "#txt";
  return sql;
}

void ImportTables(StatementRunner& runner, const std::string& work_dir,
                  const std::string& result_path, const StringList& table_map) {
  Connection& connection = runner.connection();
  connection.Close();
  connection.SetConnectionString(std::string(kProvider) + work_dir +
                                 "TemplateTemp/;Extended Properties=text");
  connection.Open();
  for (const std::string& entry : table_map)
    runner.ExecuteStatement(ImportStatement(ImportTableName(entry), result_path));
  connection.Close();
  connection.SetConnectionString(std::string(kProvider) + QuotedText(result_path) + ";");
  connection.Open();
}

}  // namespace qoru::db
