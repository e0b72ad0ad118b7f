#include "database/query.h"

#include <cstdlib>

#include <fmt/format.h>

#include "database/connection.h"
#include "database/engine_error.h"
#include "database/jet_translator.h"
#include "database/sql_tokenizer.h"
#include "database/sqlite_handle.h"
#include "platform/gbk_codec.h"
#include "platform/gbk_text.h"

namespace qoru::db {
namespace {

constexpr std::string_view kRowIdColumn = "qoru_row_identity_";

struct PreparedSelect {
  std::string sql;                  // with literals turned into parameters
  std::vector<std::string> params;  // the literals' values, in order
  std::string table;                // source table when the result is editable
  std::string key_column;           // C of "... from T where C = 'text'", else empty
};

// Takes a translated select apart: its quoted texts become parameters, so that one
// prepared statement serves every look-up of the same shape, and a plain
// "select ... from T [where ...]" gets its row identity as a hidden first column.
PreparedSelect ShapeSelect(const std::string& sql) {
  const std::vector<SqlToken> tokens = TokenizeSql(sql);
  PreparedSelect out;
  std::vector<const SqlToken*> words;  // non-space tokens
  for (const SqlToken& t : tokens)
    if (t.kind != TokenKind::kSpace) words.push_back(&t);

  // Editable shape: SELECT [not DISTINCT] ... FROM name [WHERE ... | ORDER ...] with no
  // nested select, join, group or second table at depth 0.
  std::string table;
  std::size_t insert_after = std::string::npos;  // index in tokens of the SELECT keyword
  if (!words.empty() && IsKeyword(*words[0], "select") && words.size() > 1 &&
      !IsKeyword(*words[1], "distinct")) {
    int depth = 0;
    bool nested = false;
    std::size_t from = 0;
    for (std::size_t i = 1; i < words.size(); ++i) {
      const SqlToken& w = *words[i];
      if (w.kind == TokenKind::kSymbol && w.text == "(") ++depth;
      if (w.kind == TokenKind::kSymbol && w.text == ")") --depth;
      if (IsKeyword(w, "select") && i > 0) nested = true;
      if (depth == 0 && IsKeyword(w, "from") && from == 0) from = i;
    }
    if (!nested && from != 0 && from + 1 < words.size()) {
      const SqlToken& name = *words[from + 1];
      const bool is_name = name.kind == TokenKind::kName || name.kind == TokenKind::kBracketName ||
                           name.kind == TokenKind::kQuotedName;
      const bool ends = from + 2 >= words.size() || IsKeyword(*words[from + 2], "where") ||
                        IsKeyword(*words[from + 2], "order");
      bool plain = is_name && ends;
      for (std::size_t i = from + 2; plain && i < words.size(); ++i)
        if (IsKeyword(*words[i], "join") || IsKeyword(*words[i], "group") ||
            IsKeyword(*words[i], "union"))
          plain = false;
      if (plain) {
        table = NameValue(name);
        insert_after = static_cast<std::size_t>(words[0] - tokens.data());
        // A look-up by one key: "where C = 'text'" and nothing else.
        if (words.size() == from + 6 && IsKeyword(*words[from + 2], "where") &&
            words[from + 4]->kind == TokenKind::kSymbol && words[from + 4]->text == "=" &&
            words[from + 5]->kind == TokenKind::kString &&
            (words[from + 3]->kind == TokenKind::kName ||
             words[from + 3]->kind == TokenKind::kBracketName ||
             words[from + 3]->kind == TokenKind::kQuotedName))
          out.key_column = NameValue(*words[from + 3]);
      }
    }
  }

  for (std::size_t i = 0; i < tokens.size(); ++i) {
    const SqlToken& t = tokens[i];
    if (t.kind == TokenKind::kString) {
      out.sql += '?';
      out.params.push_back(StringValue(t));
    } else {
      out.sql += t.text;
    }
    if (i == insert_after) out.sql += fmt::format(" _rowid_ AS \"{}\",", kRowIdColumn);
  }
  out.table = std::move(table);
  return out;
}

}  // namespace

// ---- Field ----

std::string Field::AsString() const {
  const Query& q = *query_;
  if (q.editing_ && q.edits_[column_]) return Utf8ToGbk(*q.edits_[column_]);
  if (!q.posted_.empty() && q.posted_[column_]) return Utf8ToGbk(*q.posted_[column_]);
  if (q.eof_ || q.stmt_ == nullptr) return std::string();
  const auto* text = sqlite3_column_text(q.stmt_, column_);
  if (text == nullptr) return std::string();
  const int len = sqlite3_column_bytes(q.stmt_, column_);
  return Utf8ToGbk(std::string_view(reinterpret_cast<const char*>(text), len));
}

bool Field::IsNull() const {
  const Query& q = *query_;
  if (q.editing_ && q.edits_[column_]) return false;
  if (!q.posted_.empty() && q.posted_[column_]) return false;
  if (q.eof_ || q.stmt_ == nullptr) return true;
  return sqlite3_column_type(q.stmt_, column_) == SQLITE_NULL;
}

std::int64_t Field::AsInteger() const {
  const Query& q = *query_;
  const bool overlaid =
      (q.editing_ && q.edits_[column_]) || (!q.posted_.empty() && q.posted_[column_]);
  if (!overlaid && !q.eof_ && q.stmt_ != nullptr) {
    switch (sqlite3_column_type(q.stmt_, column_)) {
      case SQLITE_NULL:
        return 0;
      case SQLITE_INTEGER:
        return sqlite3_column_int64(q.stmt_, column_);
      case SQLITE_FLOAT:
        return static_cast<std::int64_t>(sqlite3_column_double(q.stmt_, column_));
      default:
        break;
    }
  }
  const std::string text = AsString();
  const std::string_view trimmed = Trim(text);
  if (trimmed.empty()) return 0;
  char* end = nullptr;
  const std::string s(trimmed);
  const long long v = std::strtoll(s.c_str(), &end, 10);
  if (end == nullptr || *end != '\0')
    throw DatasetStateError(fmt::format("字段“{}”的值“{}”不是有效的整数（{}）", q.columns_[column_],
                                        DisplayText(text), q.name_));
  return v;
}

void Field::SetAsString(const std::string& value_gbk) {
  Query& q = *query_;
  if (!q.editing_)
    throw DatasetStateError(
        fmt::format("{}不在编辑状态，不能给字段“{}”赋值", q.name_, q.columns_[column_]));
  q.edits_[column_] = GbkToUtf8(value_gbk);
}

// ---- Query ----

Query::Query(Connection& connection, std::string name)
    : connection_(connection), name_(std::move(name)) {
  connection_.Attach(this);
}

Query::~Query() {
  Close();
  connection_.Detach(this);
}

void Query::Close() {
  if (stmt_ != nullptr) {
    connection_.Release(stmt_);
    stmt_ = nullptr;
  }
  active_ = false;
  eof_ = true;
  recno_ = 0;
  record_count_ = -1;
  editing_ = false;
  edits_.clear();
  posted_.clear();
  columns_.clear();
  lookup_.clear();
  table_.clear();
  first_column_ = 0;
}

void Query::SetSQL(std::string sql_gbk) {
  Close();
  sql_ = std::move(sql_gbk);
}

void Query::ExecSQL() {
  Close();
  connection_.Execute(sql_);
}

void Query::Open() {
  if (active_) return;
  if (!connection_.Connected())
    throw EngineError("the operation is not allowed while the connection is closed");
  if (connection_.mode() != Connection::Mode::kDatabaseFile) {
    connection_.Execute(sql_);
    active_ = true;
    eof_ = true;
    return;
  }
  const JetStatement st = TranslateJet(GbkToUtf8Escaped(sql_));
  if (st.kind != JetStatement::Kind::kPlain) {
    // A statement without rows opens on an empty result.
    connection_.Execute(sql_);
    active_ = true;
    eof_ = true;
    return;
  }
  PreparedSelect shaped = ShapeSelect(st.sql);
  if (!shaped.key_column.empty()) connection_.NoteKeyLookup(shaped.table, shaped.key_column);
  sqlite3_stmt* stmt = connection_.Acquire(shaped.sql);
  stmt_ = stmt;
  exec_sql_ = std::move(shaped.sql);
  params_ = std::move(shaped.params);
  table_ = std::move(shaped.table);
  first_column_ = table_.empty() ? 0 : 1;
  try {
    Rebind();
    active_ = true;
    // The columns are read after the first step: a cached statement whose tables
    // changed since it was prepared ("select *" after an alter table) is compiled
    // anew by that step, and only then names the columns it yields now.
    Step();
    recno_ = eof_ ? 0 : 1;
    const int n = sqlite3_column_count(stmt_);
    for (int i = 0; i < n; ++i) {
      const char* name = sqlite3_column_name(stmt_, i);
      columns_.emplace_back(name ? name : "");
      if (i >= first_column_) lookup_.emplace(AsciiLower(columns_.back()), i);
    }
    edits_.assign(columns_.size(), std::nullopt);
  } catch (...) {
    Close();
    throw;
  }
}

void Query::Rebind() {
  sqlite3_reset(stmt_);
  for (std::size_t i = 0; i < params_.size(); ++i)
    sqlite3_bind_text(stmt_, static_cast<int>(i + 1), params_[i].data(),
                      static_cast<int>(params_[i].size()), SQLITE_STATIC);
}

void Query::Step() {
  posted_.clear();
  const int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) {
    eof_ = false;
  } else if (rc == SQLITE_DONE) {
    eof_ = true;
  } else {
    eof_ = true;
    ThrowEngineError(connection_.handle());
  }
}

void Query::RequireActive(const char* operation) const {
  if (!active_)
    throw QueryClosedError(
        fmt::format("{}没有打开的数据集，不能{}（语句：{}）", name_, operation, DisplayText(sql_)));
}

std::string Query::DescribeSource() const {
  if (!table_.empty()) return "数据表 " + table_;
  return "语句“" + DisplayText(sql_) + "”的结果";
}

void Query::First() {
  RequireActive("移到第一行");
  if (editing_) Post();
  if (stmt_ == nullptr) return;
  Rebind();
  Step();
  recno_ = eof_ ? 0 : 1;
}

void Query::Next() {
  RequireActive("移到下一行");
  if (editing_) Post();
  if (eof_ || stmt_ == nullptr) return;
  Step();
  recno_ = eof_ ? 0 : recno_ + 1;
}

int Query::RecordCount() {
  RequireActive("读取记录数");
  if (stmt_ == nullptr) return 0;
  if (record_count_ < 0) {
    SqliteStmt count = Prepare(connection_.handle(), "SELECT count(*) FROM (" + exec_sql_ + ")");
    for (std::size_t i = 0; i < params_.size(); ++i)
      sqlite3_bind_text(count.get(), static_cast<int>(i + 1), params_[i].data(),
                        static_cast<int>(params_[i].size()), SQLITE_STATIC);
    if (sqlite3_step(count.get()) != SQLITE_ROW) ThrowEngineError(connection_.handle());
    record_count_ = static_cast<int>(sqlite3_column_int64(count.get(), 0));
  }
  return record_count_;
}

int Query::RecNo() const {
  RequireActive("读取记录号");
  return recno_;
}

Field Query::FieldByName(std::string_view name_gbk) {
  const std::string key = AsciiLower(GbkToUtf8(name_gbk));
  const auto it = lookup_.find(key);
  if (it == lookup_.end())
    throw FieldNotFoundError(fmt::format("字段“{}”不存在：{}中没有这个字段（{}）",
                                         DisplayText(name_gbk), DescribeSource(), name_));
  return Field(*this, it->second);
}

void Query::Edit() {
  RequireActive("编辑");
  if (editing_) return;
  if (eof_)
    throw DatasetStateError(fmt::format("{}没有当前行，不能编辑（{}）", name_, DescribeSource()));
  if (table_.empty())
    throw EngineError(
        fmt::format("the result of this statement cannot be updated: {}", DisplayText(sql_)));
  editing_ = true;
  edits_.assign(columns_.size(), std::nullopt);
}

void Query::Post() {
  RequireActive("提交");
  if (!editing_) throw DatasetStateError(fmt::format("{}不在编辑状态，不能提交", name_));
  std::string sql = "UPDATE " + QuoteName(table_) + " SET ";
  std::vector<int> assigned;
  for (std::size_t i = 0; i < edits_.size(); ++i) {
    if (!edits_[i]) continue;
    const char* origin = sqlite3_column_origin_name(stmt_, static_cast<int>(i));
    if (!assigned.empty()) sql += ", ";
    sql += QuoteName(origin ? origin : columns_[i]) + " = ?";
    assigned.push_back(static_cast<int>(i));
  }
  if (assigned.empty()) {
    editing_ = false;
    return;
  }
  sql += " WHERE _rowid_ = ?";
  const std::int64_t row_id = sqlite3_column_int64(stmt_, 0);
  connection_.BeginWrite();
  sqlite3_stmt* update = connection_.Acquire(sql);
  int k = 1;
  for (int i : assigned)
    sqlite3_bind_text(update, k++, edits_[i]->data(), static_cast<int>(edits_[i]->size()),
                      SQLITE_STATIC);
  sqlite3_bind_int64(update, k, row_id);
  const int rc = sqlite3_step(update);
  if (rc != SQLITE_DONE) {
    const std::string message = sqlite3_errmsg(connection_.handle());
    connection_.Release(update);
    throw EngineError(fmt::format("cannot update row {} of table {}: {}", recno_, table_, message));
  }
  connection_.Release(update);
  posted_.assign(columns_.size(), std::nullopt);
  for (int i : assigned) posted_[i] = std::move(edits_[i]);
  editing_ = false;
  edits_.assign(columns_.size(), std::nullopt);
  connection_.RowWritten();
}

}  // namespace qoru::db
