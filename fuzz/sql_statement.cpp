// Fuzz target: the statement tokenizer and the translation of the host's dialect.
//
// Input: one statement (UTF-8 or any bytes). Checks:
//   - tokenizing raises only engine errors, every token is non-empty, and the tokens
//     put together give the input back;
//   - translating raises only engine errors;
//   - whatever SQLite is handed afterwards holds one statement: where SQLite's own
//     parser accepts the text, nothing but blanks, comments and ";" follows its first
//     statement. This is what keeps a name taken from a data set from smuggling in a
//     second statement;
//   - a name quoted for SQLite comes back as exactly that name.
#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "database/engine/engine_error.h"
#include "database/sql/jet_translator.h"
#include "database/sql/sql_tokenizer.h"
#include "fuzz_support.h"

using namespace qoru::db;

namespace {

// An in-memory database with tables of the names the run uses, so that statements
// about them get past name resolution and into the rest of SQLite's parser.
sqlite3* Oracle() {
  static sqlite3* db = [] {
    sqlite3* h = nullptr;
    FUZZ_CHECK(sqlite3_open(":memory:", &h) == SQLITE_OK);
    const char* schema =
        "CREATE TABLE t(a, b, c);"
        "CREATE TABLE KJKM(科目编号, 科目名称, 余额方向, 辅助核算项);"
        "CREATE TABLE KMYE(科目编号, 币种, 期初余额, 辅助核算组);"
        "CREATE TABLE JZPZ(科目编号, 摘要, 借方金额, 贷方金额, 币种, 作废标志, 辅助核算组, flxh);";
    FUZZ_CHECK(sqlite3_exec(h, schema, nullptr, nullptr, nullptr) == SQLITE_OK);
    return h;
  }();
  return db;
}

// When SQLite accepts `sql`, nothing executable may follow its first statement.
void CheckOneStatement(const std::string& sql) {
  sqlite3_stmt* stmt = nullptr;
  const char* tail = nullptr;
  if (sqlite3_prepare_v2(Oracle(), sql.c_str(), static_cast<int>(sql.size()), &stmt, &tail) !=
      SQLITE_OK)
    return;
  sqlite3_finalize(stmt);
  if (tail == nullptr) return;
  const std::string rest(tail, sql.c_str() + sql.size() - tail);
  sqlite3_stmt* second = nullptr;
  const char* ignored = nullptr;
  const int rc =
      sqlite3_prepare_v2(Oracle(), rest.c_str(), static_cast<int>(rest.size()), &second, &ignored);
  const bool nothing_more = second == nullptr;
  sqlite3_finalize(second);
  // A second statement that SQLite rejects cannot run either; one it accepts is a finding.
  FUZZ_CHECK(rc != SQLITE_OK || nothing_more);
}

// QuoteName(name) used as a column alias comes back as the name itself.
void CheckQuotedName(const std::string& name) {
  if (name.find('\0') != std::string::npos) return;
  const std::string sql = "SELECT 1 AS " + QuoteName(name);
  sqlite3_stmt* stmt = nullptr;
  const char* tail = nullptr;
  FUZZ_CHECK(sqlite3_prepare_v2(Oracle(), sql.c_str(), static_cast<int>(sql.size()), &stmt,
                                &tail) == SQLITE_OK);
  FUZZ_CHECK(*tail == '\0');
  FUZZ_CHECK(sqlite3_column_name(stmt, 0) == name);
  sqlite3_finalize(stmt);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view sql(reinterpret_cast<const char*>(data), size);
  try {
    std::string joined;
    for (const SqlToken& token : TokenizeSql(sql)) {
      FUZZ_CHECK(!token.text.empty());
      joined += token.text;
      if (token.kind == TokenKind::kString) StringValue(token);
      if (token.kind == TokenKind::kBracketName || token.kind == TokenKind::kQuotedName)
        NameValue(token);
    }
    FUZZ_CHECK(joined == sql);
  } catch (const EngineError&) {
  }

  JetStatement statement;
  try {
    statement = TranslateJet(sql);
  } catch (const EngineError&) {
    return 0;
  }
  switch (statement.kind) {
    case JetStatement::Kind::kPlain:
    case JetStatement::Kind::kSelectInto:
      CheckOneStatement(statement.sql);
      break;
    case JetStatement::Kind::kTextImport:
      FUZZ_CHECK(!statement.table.empty());
      // "F#txt" names the file "F.txt".
      FUZZ_CHECK(statement.source_file.size() > 4 &&
                 statement.source_file[statement.source_file.size() - 4] == '.');
      break;
    case JetStatement::Kind::kAlterAdd:
      FUZZ_CHECK(!statement.columns.empty());
      for (const AddedColumn& column : statement.columns) {
        FUZZ_CHECK(!column.name.empty());
        CheckOneStatement("ALTER TABLE t ADD COLUMN " + QuoteName(column.name) + " " +
                          column.definition);
      }
      break;
  }
  if (!statement.table.empty()) CheckQuotedName(statement.table);
  return 0;
}
