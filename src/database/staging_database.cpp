#include "database/staging_database.h"

#include <cstring>

#include <fmt/format.h>

#include "database/engine/engine_error.h"
#include "database/import/text_import.h"
#include "database/query/connection.h"
#include "database/query/statement_runner.h"
#include "database/sql/jet_translator.h"
#include "errors/errors.h"
#include "files/file_system.h"
#include "files/interrupt_cleanup.h"
#include "files/os_file.h"
#include "files/path_text.h"
#include "text/gbk_codec.h"
#include "text/gbk_text.h"

namespace qoru::db {

namespace {
constexpr std::string_view kProvider = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=";

// An empty file, or one that begins with the header of an SQLite database.
bool LooksLikeDatabase(const std::string& path) {
  static constexpr char kHeader[] = "SQLite format 3";  // 16 bytes with its NUL
  const int fd = os::OpenRead(path);
  if (fd < 0) return true;  // unreadable: the copy fails and the engine says so
  char head[sizeof kHeader] = {};
  const long n = os::Read(fd, head, sizeof head);
  os::Close(fd);
  return n == 0 || (n == sizeof head && std::memcmp(head, kHeader, sizeof head) == 0);
}
}  // namespace

std::string CreateStagingDatabase(const std::string& work_dir) {
  const std::string result_path = work_dir + "TemplateTemp/GBA.mdb";
  const std::string template_path = work_dir + "DataBase/empty.mdb";
  // The engine opens these names and writes to them: a link standing there would take
  // its writes out of the work area.
  for (const char* suffix : {"", "-journal", "-wal", "-shm"}) {
    const std::string path = result_path + suffix;
    if (IsSymbolicLink(path))
      throw FileError(
          fmt::format("TemplateTemp 中的“{}”是符号链接：暂存数据库不会经由链接写到别处，"
                      "已停止（请删除这个链接后重试）",
                      PathText(path)),
          path);
  }
  if (!PathExists(result_path) && IsRegularFile(template_path) && !LooksLikeDatabase(template_path))
    throw FileError(fmt::format("模板数据库“{}”不是 SQLite 数据库（也不是空文件），没有用它创建 "
                                "GBA.mdb；请换成一个空的 SQLite 数据库或空文件",
                                PathText(template_path)),
                    template_path);
  // A copy to a temporary name that is renamed into place: a run killed during the
  // copy leaves no torn GBA.mdb for the next run to keep. An existing GBA.mdb is kept,
  // and a missing template is met by the connection to the database it would have
  // become; a copy that fails on its way (a full disk) ends the run here, saying so,
  // rather than later as a database that cannot be found.
  std::string failure;
  if (!CopyFileExclusive(template_path, result_path,
                         PathExists(template_path) ? &failure : nullptr) &&
      !failure.empty())
    throw FileError(fmt::format("无法把模板数据库“{}”复制为 GBA.mdb，没有创建暂存数据库：{}",
                                PathText(template_path), failure),
                    result_path);
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
  return "select * into " + QuoteName(table) + " in " + QuotedText(result_path) + " from " +
         QuoteName(std::string(table) + "#txt");
}

std::vector<HeldImport> ImportTables(StatementRunner& runner, const std::string& work_dir,
                                     const std::string& result_path, const StringList& table_map,
                                     const std::function<bool(const std::string&)>& hold) {
  Connection& connection = runner.connection();
  connection.Close();
  const std::string directory = work_dir + "TemplateTemp/";
  connection.SetConnectionString(std::string(kProvider) + directory + ";Extended Properties=text");
  connection.SetImportTarget(result_path);
  connection.Open();
  std::vector<HeldImport> held;
  for (const std::string& entry : table_map) {
    const std::string table = ImportTableName(entry);
    const std::string statement = ImportStatement(table, result_path);
    if (hold && hold(table)) {
      try {
        held.push_back({statement, connection.TextImportOf(statement)});
        continue;
      } catch (const EngineError&) {
        // Not an import after all: run it now, and let the engine refuse it.
      }
    }
    runner.ExecuteStatement(statement);
    PauseForTestsAt("import");
  }
  connection.Close();
  connection.SetConnectionString(std::string(kProvider) + QuotedText(result_path) + ";");
  connection.Open();
  return held;
}

bool ImportHeld(StatementRunner& runner, const HeldImport& held, ImportWidening* widening) {
  held.tried = true;
  TextImport import = held.import;
  import.widening = widening;
  return runner.ExecuteImport(held.statement, std::move(import));
}

}  // namespace qoru::db
