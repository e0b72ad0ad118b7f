#include "database/table_rewrite.h"

#include <climits>

#include <fmt/format.h>

#include "database/alter_preview.h"
#include "database/engine_error.h"
#include "database/sql_tokenizer.h"
#include "platform/gbk_text.h"

namespace qoru::db {
namespace {

constexpr const char* kCopy = "qoru_table_rewrite";
constexpr const char* kFunction = "qoru_rewrite_cell";

std::int64_t Count(sqlite3* db, const std::string& sql, const std::string& bound = {}) {
  SqliteStmt stmt = Prepare(db, sql);
  if (!bound.empty())
    sqlite3_bind_text(stmt.get(), 1, bound.data(), static_cast<int>(bound.size()), SQLITE_STATIC);
  if (sqlite3_step(stmt.get()) != SQLITE_ROW) ThrowEngineError(db);
  return sqlite3_column_int64(stmt.get(), 0);
}

// True when the column list of `create_sql` holds nothing but names, types and
// collations, and nothing follows it (no WITHOUT ROWID, no STRICT).
bool OnlyPlainColumns(const std::string& create_sql) {
  const std::vector<SqlToken> tokens = TokenizeSql(create_sql);
  int depth = 0;
  bool closed = false;
  for (const SqlToken& t : tokens) {
    if (t.kind == TokenKind::kSpace) continue;
    if (closed) return false;
    if (t.kind == TokenKind::kSymbol && t.text == "(") ++depth;
    if (t.kind == TokenKind::kSymbol && t.text == ")" && --depth == 0) closed = true;
    if (depth == 0 || t.kind != TokenKind::kName) continue;
    for (const char* word : {"constraint", "primary", "unique", "check", "default", "not", "null",
                             "references", "foreign", "generated", "as", "autoincrement"})
      if (IsKeyword(t, word)) return false;
  }
  return closed;
}

}  // namespace

std::unique_ptr<TableRewrite> TableRewrite::Plan(
    sqlite3* db, const std::string& table, const std::vector<std::vector<AddedColumn>>& alters) {
  std::unique_ptr<TableRewrite> plan(new TableRewrite);
  plan->db_ = db;
  {
    SqliteStmt find = Prepare(db,
                              "SELECT name, sql FROM main.sqlite_master WHERE type = 'table' "
                              "AND name = ?1 COLLATE NOCASE");
    sqlite3_bind_text(find.get(), 1, table.data(), static_cast<int>(table.size()), SQLITE_STATIC);
    if (sqlite3_step(find.get()) != SQLITE_ROW || sqlite3_column_text(find.get(), 1) == nullptr)
      return nullptr;
    plan->table_ = reinterpret_cast<const char*>(sqlite3_column_text(find.get(), 0));
    const std::string create_sql =
        reinterpret_cast<const char*>(sqlite3_column_text(find.get(), 1));
    if (sqlite3_step(find.get()) != SQLITE_DONE || !OnlyPlainColumns(create_sql)) return nullptr;
    plan->final_sql_ = create_sql;
  }
  const std::string& name = plan->table_;
  if (Count(db, "SELECT count(*) FROM temp.sqlite_master WHERE name = ?1 COLLATE NOCASE", name) !=
          0 ||
      Count(db, "SELECT count(*) FROM main.sqlite_master WHERE type IN ('view', 'trigger')") != 0 ||
      Count(db, "SELECT count(*) FROM temp.sqlite_master WHERE type IN ('view', 'trigger')") != 0 ||
      Count(db,
            "SELECT count(*) FROM main.sqlite_master WHERE tbl_name = ?1 COLLATE NOCASE AND type "
            "<> 'table'",
            name) != 0 ||
      Count(db, "SELECT count(*) FROM main.sqlite_master WHERE name = ?1 COLLATE NOCASE", kCopy) !=
          0)
    return nullptr;

  // The table's own columns; a column named like the row identity would hide it.
  {
    SqliteStmt info = Prepare(db, "SELECT name FROM pragma_table_info(?1)");
    sqlite3_bind_text(info.get(), 1, name.data(), static_cast<int>(name.size()), SQLITE_STATIC);
    while (sqlite3_step(info.get()) == SQLITE_ROW) {
      const auto* text = sqlite3_column_text(info.get(), 0);
      std::string column = text ? reinterpret_cast<const char*>(text) : "";
      const std::string lower = AsciiLower(column);
      if (lower == "rowid" || lower == "_rowid_" || lower == "oid") return nullptr;
      plan->columns_.push_back(std::move(column));
      plan->counter_.push_back(false);
    }
  }
  plan->own_columns_ = plan->columns_.size();
  if (plan->own_columns_ == 0) return nullptr;

  std::optional<std::string> final_sql = PreviewAlters(db, name, plan->final_sql_, alters);
  if (!final_sql) return nullptr;
  plan->final_sql_ = std::move(*final_sql);
  for (const std::vector<AddedColumn>& added : alters) {
    for (const AddedColumn& column : added) {
      plan->columns_.push_back(column.name);
      plan->counter_.push_back(column.counter);
    }
  }
  plan->rows_ = Count(db, "SELECT count(*) FROM main." + QuoteName(name));
  plan->dense_ = plan->rows_ == 0 ||
                 (Count(db, "SELECT min(_rowid_) FROM main." + QuoteName(name)) == 1 &&
                  Count(db, "SELECT max(_rowid_) FROM main." + QuoteName(name)) == plan->rows_);
  plan->named_ = table;
  return plan;
}

TableRewrite::~TableRewrite() {
  if (!in_transaction_) return;
  sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_create_function_v2(db_, kFunction, -1, SQLITE_UTF8, nullptr, nullptr, nullptr, nullptr,
                             nullptr);
}

void TableRewrite::Cell(sqlite3_context* context, int argc, sqlite3_value** argv) {
  auto* self = static_cast<TableRewrite*>(sqlite3_user_data(context));
  const auto column = static_cast<std::size_t>(sqlite3_value_int64(argv[0]));
  try {
    const std::int64_t rowid = sqlite3_value_int64(argv[2]);
    if (!self->started_ || rowid != self->rowid_) {
      // The first value asked for on a new row: the one before it has been written.
      if (self->started_ && self->editing_) self->editor_->Written(self->number_);
      self->started_ = true;
      self->rowid_ = rowid;
      ++self->number_;
      if (self->editing_) {
        self->watched_.clear();
        for (int i = 3; i < argc; ++i) {
          const auto* text = sqlite3_value_text(argv[i]);
          self->watched_.emplace_back(
              text == nullptr
                  ? std::string_view()
                  : std::string_view(reinterpret_cast<const char*>(text),
                                     static_cast<std::size_t>(sqlite3_value_bytes(argv[i]))));
        }
        self->editor_->Row(self->number_, self->watched_);
      }
    }
    if (self->editing_) {
      if (const std::string* value = self->editor_->Value(column)) {
        sqlite3_result_text(context, value->data(), static_cast<int>(value->size()),
                            SQLITE_TRANSIENT);
        return;
      }
    }
  } catch (...) {
    // From here on the rows are copied as they are; Run rethrows.
    self->failure_ = std::current_exception();
    self->editing_ = false;
  }
  if (self->counter_[column]) {
    sqlite3_result_int64(context, self->number_);
  } else {
    sqlite3_result_value(context, argv[1]);
  }
}

void TableRewrite::Run(RowEditor& editor, const std::vector<std::size_t>& editable,
                       const std::vector<std::size_t>& watched) {
  Exec(db_, "BEGIN IMMEDIATE");
  in_transaction_ = true;
  const std::string prefix = "CREATE TABLE " + QuoteName(table_) + " (";
  Exec(db_, "CREATE TABLE main." + QuoteName(kCopy) + " (" + final_sql_.substr(prefix.size()));
  if (sqlite3_create_function_v2(db_, kFunction, -1, SQLITE_UTF8, this, &TableRewrite::Cell,
                                 nullptr, nullptr, nullptr) != SQLITE_OK)
    ThrowEngineError(db_);

  // The copy: every column as it is, an added one null, a counter column the row's
  // number; the editable ones, and the first added one so that Cell sees every row,
  // through Cell. With rowids 1 ... rows() the copy numbers its rows itself, in order.
  std::vector<bool> through_cell(columns_.size(), false);
  through_cell[own_columns_ < columns_.size() ? own_columns_ : 0] = true;
  for (const std::size_t c : editable) through_cell[c] = true;
  std::string watched_args;
  for (const std::size_t c : watched) watched_args += ", " + QuoteName(columns_[c]);
  std::string insert = "INSERT OR FAIL INTO main." + QuoteName(kCopy) + " (";
  std::string select = "SELECT ";
  if (!dense_) {
    insert += "_rowid_, ";
    select += "_rowid_, ";
  }
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (i > 0) {
      insert += ", ";
      select += ", ";
    }
    insert += QuoteName(columns_[i]);
    const std::string own = i < own_columns_        ? QuoteName(columns_[i])
                            : counter_[i] && dense_ ? std::string("_rowid_")
                                                    : std::string("NULL");
    if (through_cell[i] || (counter_[i] && !dense_)) {
      select += fmt::format("{}({}, {}, _rowid_{})", kFunction, i, own, watched_args);
    } else {
      select += own;
    }
  }
  SqliteStmt copy = Prepare(db_, insert + ") " + select + " FROM main." + QuoteName(table_) +
                                     " WHERE _rowid_ >= ?1 ORDER BY _rowid_");
  editor_ = &editor;
  editing_ = true;
  number_ = 0;
  started_ = false;
  failure_ = nullptr;
  sqlite3_bind_int64(copy.get(), 1, INT64_MIN);
  int rc = sqlite3_step(copy.get());
  std::string refused;  // SQLite's message for a row it refused
  std::int64_t refused_row = 0;
  if (rc == SQLITE_DONE) {
    if (editing_ && started_) {
      try {
        editor.Written(number_);
      } catch (...) {
        failure_ = std::current_exception();
      }
    }
  } else if (rc == SQLITE_CONSTRAINT && editing_ && started_) {
    // The rows before it are kept (OR FAIL); it and the rest are copied as they are.
    refused = sqlite3_errmsg(db_);
    refused_row = number_;
    sqlite3_reset(copy.get());
    editing_ = false;
    started_ = false;
    number_ = refused_row - 1;
    sqlite3_bind_int64(copy.get(), 1, rowid_);
    rc = sqlite3_step(copy.get());
    if (rc != SQLITE_DONE) ThrowEngineError(db_);
  } else {
    ThrowEngineError(db_);
  }
  copy.reset();
  editor_ = nullptr;
  sqlite3_create_function_v2(db_, kFunction, -1, SQLITE_UTF8, nullptr, nullptr, nullptr, nullptr,
                             nullptr);
  Replace();
  if (failure_) std::rethrow_exception(failure_);
  if (refused_row != 0)
    throw EngineError(
        fmt::format("cannot update row {} of table {}: {}", refused_row, named_, refused));
}

void TableRewrite::Replace() {
  Exec(db_, "DROP TABLE main." + QuoteName(table_));
  Exec(db_, "ALTER TABLE main." + QuoteName(kCopy) + " RENAME TO " + QuoteName(table_));
  SqliteStmt check =
      Prepare(db_, "SELECT sql FROM main.sqlite_master WHERE type = 'table' AND name = ?1");
  sqlite3_bind_text(check.get(), 1, table_.data(), static_cast<int>(table_.size()), SQLITE_STATIC);
  const bool same =
      sqlite3_step(check.get()) == SQLITE_ROW && sqlite3_column_text(check.get(), 0) != nullptr &&
      final_sql_ == reinterpret_cast<const char*>(sqlite3_column_text(check.get(), 0));
  check.reset();
  if (!same)
    throw EngineError(fmt::format("table {} could not be rewritten with its columns", table_));
  Exec(db_, "COMMIT");
  in_transaction_ = false;
}

}  // namespace qoru::db
