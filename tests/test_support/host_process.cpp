#include "test_support/host_process.h"

#include <sqlite3.h>

#include "test_support/programs.h"

namespace qoru::test {

std::vector<std::string> HostConvertArgs(const std::string& source, const std::string& work,
                                         const std::vector<std::string>& extra) {
  std::vector<std::string> args{kHost,      "convert", "--face", "headless",
                                "--source", source,    "--work", work};
  args.insert(args.end(), extra.begin(), extra.end());
  return args;
}

std::string IntegrityCheck(const std::string& db_path) {
  sqlite3* db = nullptr;
  std::string result;
  if (sqlite3_open_v2(db_path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    result = db ? sqlite3_errmsg(db) : "cannot open";
  } else {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &stmt, nullptr) != SQLITE_OK) {
      result = sqlite3_errmsg(db);
    } else {
      while (sqlite3_step(stmt) == SQLITE_ROW) {
        if (!result.empty()) result += "\n";
        result += reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
      }
      if (result.empty()) result = sqlite3_errmsg(db);
    }
    sqlite3_finalize(stmt);
  }
  sqlite3_close(db);
  return result;
}

}  // namespace qoru::test
