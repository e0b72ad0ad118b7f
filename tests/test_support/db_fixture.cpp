#include "test_support/db_fixture.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "text/gbk_codec.h"
#include "text/gbk_text.h"

namespace qoru::test {
namespace {

constexpr const char* kProvider = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=";

// Opens the file with SQLite directly; never creates it.
sqlite3* OpenRaw(const std::string& db_path) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(db_path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    const std::string message = db ? sqlite3_errmsg(db) : "out of memory";
    sqlite3_close_v2(db);
    throw std::runtime_error("cannot open " + db_path + ": " + message);
  }
  sqlite3_busy_timeout(db, 2000);
  return db;
}

}  // namespace

std::string DatabaseConnectionString(const std::string& path) {
  return kProvider + QuotedText(path) + ";";
}

std::string TextConnectionString(const std::string& dir) {
  return kProvider + dir + ";Extended Properties=text";
}

void SqliteExec(const std::string& db_path, const std::string& sql_utf8) {
  sqlite3* db = OpenRaw(db_path);
  char* error = nullptr;
  const int rc = sqlite3_exec(db, sql_utf8.c_str(), nullptr, nullptr, &error);
  const std::string message = error ? error : "";
  sqlite3_free(error);
  sqlite3_close_v2(db);
  if (rc != SQLITE_OK) throw std::runtime_error("sqlite: " + message + " in: " + sql_utf8);
}

Rows SqliteRows(const std::string& db_path, const std::string& sql_utf8) {
  sqlite3* db = OpenRaw(db_path);
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db, sql_utf8.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
    const std::string message = sqlite3_errmsg(db);
    sqlite3_close_v2(db);
    throw std::runtime_error("sqlite: " + message + " in: " + sql_utf8);
  }
  Rows rows;
  int rc;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    std::vector<std::string> row;
    for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
      row.emplace_back(text ? std::string(text, sqlite3_column_bytes(stmt, i)) : kNull);
    }
    rows.push_back(std::move(row));
  }
  const std::string message = sqlite3_errmsg(db);
  sqlite3_finalize(stmt);
  sqlite3_close_v2(db);
  if (rc != SQLITE_DONE) throw std::runtime_error("sqlite: " + message + " in: " + sql_utf8);
  return rows;
}

std::vector<std::string> TableNames(const std::string& db_path) {
  std::vector<std::string> names;
  for (const auto& row :
       SqliteRows(db_path, "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"))
    names.push_back(row[0]);
  return names;
}

std::vector<std::string> ColumnNames(const std::string& db_path, const std::string& table) {
  std::vector<std::string> names;
  for (const auto& row : SqliteRows(db_path, "SELECT name FROM pragma_table_info('" + table + "')"))
    names.push_back(row[0]);
  return names;
}

std::vector<std::string> DirectoryEntries(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

DatabaseTest::DatabaseTest() : db_path_(dir_ / "GBA.mdb") {
  WriteFile(db_path_, "");
  connection_.SetConnectionString(DatabaseConnectionString(db_path_));
  connection_.Open();
}

void DatabaseTest::Execute(const std::string& sql_utf8) {
  connection_.Execute(Gbk(sql_utf8));
}

Rows DatabaseTest::OpenRows(const std::string& sql_utf8,
                            const std::vector<std::string>& fields_utf8) {
  main_.Close();
  main_.SetSQL(Gbk(sql_utf8));
  main_.Open();
  Rows rows;
  for (main_.First(); !main_.Eof(); main_.Next()) {
    std::vector<std::string> row;
    for (const std::string& field : fields_utf8)
      row.push_back(GbkToUtf8(main_.FieldByName(Gbk(field)).AsString()));
    rows.push_back(std::move(row));
  }
  return rows;
}

std::string Escaped(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '|') {
      out += "\\|";
    } else if (b < 0x20 || b == 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", b);
      out += buf;
    } else {
      out += c;
    }
  }
  return out;
}

// Every schema object and every row of the database, in a stable order.
std::string DumpDatabase(const std::string& path) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    return "no database\n";
  }
  std::string out;
  auto each = [&](const std::string& sql, auto&& row) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
      out += "error: " + std::string(sqlite3_errmsg(db)) + "\n";
      return;
    }
    while (sqlite3_step(stmt) == SQLITE_ROW) row(stmt);
    sqlite3_finalize(stmt);
  };
  auto text = [](sqlite3_stmt* stmt, int i) {
    const auto* t = sqlite3_column_text(stmt, i);
    return std::string(t ? reinterpret_cast<const char*>(t) : "",
                       static_cast<std::size_t>(sqlite3_column_bytes(stmt, i)));
  };
  each("PRAGMA integrity_check",
       [&](sqlite3_stmt* s) { out += "integrity: " + text(s, 0) + "\n"; });
  std::vector<std::string> tables;
  each("SELECT type, name, tbl_name, sql FROM sqlite_master ORDER BY type, name",
       [&](sqlite3_stmt* s) {
         out += "schema: " + text(s, 0) + "|" + Escaped(text(s, 1)) + "|" + Escaped(text(s, 2)) +
                "|" + Escaped(text(s, 3)) + "\n";
         if (text(s, 0) == "table") tables.push_back(text(s, 1));
       });
  for (const std::string& table : tables) {
    std::string quoted = "\"";
    for (const char c : table) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    quoted += "\"";
    out += "table " + Escaped(table) + "\n";
    each("SELECT _rowid_, * FROM " + quoted + " ORDER BY _rowid_", [&](sqlite3_stmt* s) {
      std::string line;
      for (int i = 0; i < sqlite3_column_count(s); ++i) {
        if (i > 0) line += "|";
        switch (sqlite3_column_type(s, i)) {
          case SQLITE_NULL:
            line += "N";
            break;
          case SQLITE_INTEGER:
            line += "i:" + text(s, i);
            break;
          case SQLITE_FLOAT:
            line += "f:" + text(s, i);
            break;
          case SQLITE_BLOB:
            line += "b:" + Escaped(text(s, i));
            break;
          default:
            line += "t:" + Escaped(text(s, i));
        }
      }
      out += line + "\n";
    });
  }
  sqlite3_close(db);
  return out;
}

}  // namespace qoru::test
