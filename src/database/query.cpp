#include "database/query.h"

#include <fmt/format.h>

#include "database/connection.h"
#include "database/editable_select.h"
#include "database/engine_error.h"
#include "database/jet_translator.h"
#include "database/literal_parameters.h"
#include "platform/gbk_codec.h"
#include "platform/gbk_text.h"

namespace qoru::db {
namespace {
constexpr std::string_view kRowIdentity = " _rowid_ AS \"qoru_row_identity_\",";
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
        fmt::format("{}不在编辑状态，不能给字段“{}”赋值", name_, ColumnName(column)));
  edits_.Assign(column, std::move(value_utf8));
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
  const std::string key = AsciiLower(GbkToUtf8(name_gbk));
  const auto it = lookup_.find(key);
  if (it == lookup_.end())
    throw FieldNotFoundError(fmt::format("字段“{}”不存在：{}中没有这个字段（{}）",
                                         DisplayText(name_gbk), DescribeSource(), name_));
  return Field(*this, it->second);
}

void Query::Edit() {
  RequireActive("编辑");
  if (edits_.editing()) return;
  if (cursor_.eof())
    throw DatasetStateError(fmt::format("{}没有当前行，不能编辑（{}）", name_, DescribeSource()));
  if (table_.empty())
    throw EngineError(
        fmt::format("the result of this statement cannot be updated: {}", DisplayText(sql_)));
  edits_.Begin();
}

void Query::Post() {
  RequireActive("提交");
  if (!edits_.editing()) throw DatasetStateError(fmt::format("{}不在编辑状态，不能提交", name_));
  edits_.Post(connection_, cursor_.statement(), table_, cursor_.recno(), cursor_.columns());
}

}  // namespace qoru::db
