#include "database/query/query.h"

#include <algorithm>

#include <fmt/format.h>

#include "database/engine/engine_error.h"
#include "database/query/connection.h"
#include "database/sql/editable_select.h"
#include "database/sql/jet_translator.h"
#include "database/sql/literal_parameters.h"
#include "text/gbk_codec.h"
#include "text/gbk_text.h"

namespace qoru::db {
namespace {
constexpr std::string_view kRowIdentity = " _rowid_ AS \"qoru_row_identity_\",";

// The first table that the statement's outermost "from" names, for messages; empty
// when it names none (a derived table, no from).
std::string FirstSourceTable(const std::vector<SqlToken>& tokens) {
  int depth = 0;
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    const SqlToken& t = tokens[i];
    if (t.kind == TokenKind::kSymbol && t.text == "(") ++depth;
    if (t.kind == TokenKind::kSymbol && t.text == ")") --depth;
    if (depth != 0 || !IsKeyword(t, "from")) continue;
    for (std::size_t j = i + 1; j < tokens.size(); ++j) {
      if (tokens[j].kind == TokenKind::kSpace) continue;
      if (tokens[j].kind == TokenKind::kName || tokens[j].kind == TokenKind::kBracketName)
        return NameValue(tokens[j]);
      return {};
    }
  }
  return {};
}
}  // namespace

Query::Query(Connection& connection, std::string name)
    : connection_(connection), name_(std::move(name)), cursor_(connection) {
  connection_.Attach(this);
}

Query::~Query() {
  Close();
  connection_.Detach(this);
}

void Query::Close() {
  cursor_.Close();
  active_ = false;
  edits_.Reset(0);
  lookup_.clear();
  table_.clear();
  source_table_.clear();
  first_column_ = 0;
}

void Query::SetSQL(std::string sql_gbk) {
  Close();
  sql_ = std::move(sql_gbk);
  open_failure_.clear();
}

void Query::ExecSQL() {
  Close();
  connection_.Execute(sql_);
}

void Query::Open() {
  if (active_) return;
  try {
    OpenStatement();
    open_failure_.clear();
  } catch (const EngineError& e) {
    open_failure_ = e.what();
    throw;
  }
}

void Query::OpenStatement() {
  if (!connection_.Connected())
    throw EngineError("the operation is not allowed while the connection is closed");
  if (connection_.mode() != Connection::Mode::kDatabaseFile) {
    connection_.Execute(sql_);
    active_ = true;
    return;
  }
  const JetStatement st = TranslateJet(GbkToUtf8Escaped(sql_));
  if (st.kind != JetStatement::Kind::kPlain) {
    // A statement without rows opens on an empty result.
    connection_.Execute(sql_);
    active_ = true;
    return;
  }
  const std::vector<SqlToken> tokens = TokenizeSql(st.sql);
  source_table_ = FirstSourceTable(tokens);
  EditableSelect editable = GuessEditable(tokens);
  ParameterizedSql select = ParameterizeLiterals(tokens, editable.select_token,
                                                 editable.table.empty() ? "" : kRowIdentity);
  if (!editable.key_column.empty())
    connection_.index_hints().Note(connection_.handle(), editable.table, editable.key_column);
  table_ = std::move(editable.table);
  first_column_ = table_.empty() ? 0 : 1;
  try {
    active_ = true;
    cursor_.Open(std::move(select.sql), std::move(select.params));
    const std::vector<std::string>& columns = cursor_.columns();
    for (std::size_t i = first_column_; i < columns.size(); ++i)
      lookup_.emplace(AsciiLower(columns[i]), static_cast<int>(i));
    edits_.Reset(columns.size());
  } catch (...) {
    Close();
    throw;
  }
}

sqlite3_stmt* Query::CurrentRow() const {
  return cursor_.eof() ? nullptr : cursor_.statement();
}

void Query::Assign(int column, std::string value_utf8) {
  if (!edits_.editing())
    throw DatasetStateError(
        fmt::format("数据集不在编辑状态，不能给字段“{}”赋值", ColumnName(column)));
  edits_.Assign(column, std::move(value_utf8));
}

void Query::RequireActive(const char* operation) const {
  if (active_) return;
  if (open_failure_.empty())
    throw QueryClosedError(fmt::format("数据集没有打开，不能{}", operation));
  throw QueryClosedError(fmt::format("数据集没有打开，不能{}：打开它的查询被数据库拒绝（{}）",
                                     operation, open_failure_));
}

std::string Query::DescribeSource() const {
  if (!table_.empty()) return "数据表 " + table_ + " ";
  if (!source_table_.empty()) return "数据表 " + source_table_ + " 的查询结果";
  return "查询结果";
}

void Query::First() {
  RequireActive("移到第一行");
  if (edits_.editing()) Post();
  if (!cursor_.open()) return;
  edits_.ForgetPosted();
  cursor_.Rewind();
}

void Query::Next() {
  RequireActive("移到下一行");
  if (edits_.editing()) Post();
  if (cursor_.eof() || !cursor_.open()) return;
  edits_.ForgetPosted();
  cursor_.Next();
}

int Query::RecordCount() {
  RequireActive("读取记录数");
  return cursor_.RecordCount();
}

int Query::RecNo() const {
  RequireActive("读取记录号");
  return cursor_.recno();
}

Field Query::FieldByName(std::string_view name_gbk) {
  return FieldByNameUtf8(GbkToUtf8(name_gbk));
}

Field Query::FieldByNameUtf8(std::string_view name_utf8) {
  const auto it = lookup_.find(AsciiLower(name_utf8));
  if (it == lookup_.end()) {
    if (!active_ && !open_failure_.empty())
      throw FieldNotFoundError(
          fmt::format("字段“{}”不能读取：数据集没有打开，打开它的查询被数据库拒绝（{}）", name_utf8,
                      open_failure_));
    throw FieldNotFoundError(
        fmt::format("字段“{}”不存在：{}中没有这个字段", name_utf8, DescribeSource()));
  }
  return Field(*this, it->second);
}

std::vector<std::string> Query::FieldNames() const {
  const std::vector<std::string>& columns = cursor_.columns();
  return std::vector<std::string>(
      columns.begin() +
          std::min<std::ptrdiff_t>(first_column_, static_cast<std::ptrdiff_t>(columns.size())),
      columns.end());
}

void Query::Edit() {
  RequireActive("编辑");
  if (edits_.editing()) return;
  if (cursor_.eof())
    throw DatasetStateError(fmt::format("数据集没有当前行，不能编辑（{}）", DescribeSource()));
  if (table_.empty()) throw EngineError("the result of this query cannot be updated");
  edits_.Begin();
}

void Query::Post() {
  RequireActive("提交");
  if (!edits_.editing()) throw DatasetStateError("数据集不在编辑状态，不能提交");
  edits_.Post(connection_, cursor_.statement(), table_, cursor_.recno(), cursor_.columns());
}

}  // namespace qoru::db
