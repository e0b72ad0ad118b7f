#include "auxiliary/spread_rewrite.h"

#include <sqlite3.h>

#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "auxiliary/account_types.h"
#include "auxiliary/aux_columns.h"
#include "auxiliary/aux_errors.h"
#include "database/connection.h"
#include "database/engine_error.h"
#include "database/jet_translator.h"
#include "database/query.h"
#include "database/sqlite_handle.h"
#include "database/statement_runner.h"
#include "database/table_rewrite.h"
#include "platform/gbk_codec.h"
#include "platform/gbk_text.h"
#include "platform/progress_bar.h"
#include "platform/stage_host.h"

namespace qoru {
namespace {

bool IsAscii(std::string_view text) {
  for (const char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

// GBK text of a UTF-8 field, without a copy when it is ASCII.
std::string_view AsGbk(std::string_view utf8, std::string& scratch) {
  if (IsAscii(utf8)) return utf8;
  scratch = Utf8ToGbk(utf8);
  return scratch;
}

// The type names of an account's 辅助核算项 and the columns they name.
struct AccountColumns {
  StringList names;          // SplitText of the trimmed 辅助核算项 at "/"
  std::vector<int> columns;  // per name: its column, or -1 when it names none
};

// Spreads each row's codes during the table's rewrite, as WalkWithQueries does: the
// same look-up answers, columns, failures and progress.
class Spreader : public db::RowEditor {
 public:
  Spreader(const AuxPassTexts& texts, const AccountTypes& chart,
           const std::unordered_map<std::string, int>& columns, std::size_t column_count,
           sqlite3_stmt* direct_lookup, StageHost& host)
      : texts_(texts),
        chart_(chart),
        columns_(columns),
        direct_(direct_lookup),
        host_(host),
        bar_(host.Progress()),
        values_(column_count),
        set_(column_count, false) {}

  // The columns that some account's type names name.
  std::vector<std::size_t> Editable() {
    std::vector<bool> named(values_.size(), false);
    for (const std::string& types : chart_.distinct_types())
      for (const int c : Resolve(types).columns)
        if (c >= 0) named[static_cast<std::size_t>(c)] = true;
    std::vector<std::size_t> editable;
    for (std::size_t c = 0; c < named.size(); ++c)
      if (named[c]) editable.push_back(c);
    return editable;
  }

  std::uint64_t lookups() const { return lookups_; }

  void Row(std::int64_t number, const std::vector<std::string_view>& watched) override {
    for (const std::size_t c : touched_) set_[c] = false;
    touched_.clear();
    const int recno = static_cast<int>(number);
    const std::string_view group = Trim(AsGbk(watched[0], group_scratch_));
    if (group.empty()) return;
    codes_.clear();
    for (std::size_t from = 0;;) {
      const std::size_t slash = group.find('/', from);
      codes_.push_back(group.substr(from, slash == std::string_view::npos ? slash : slash - from));
      if (slash == std::string_view::npos) break;
      from = slash + 1;
    }
    const std::string_view account = Trim(AsGbk(watched[1], account_scratch_));
    ++lookups_;
    const AccountColumns& target = Resolve(LookUp(account));
    for (std::size_t k = 0; k < codes_.size(); ++k) {
      if (k >= target.names.Count())
        ThrowCodeWithoutName(texts_.table, recno, group, account, codes_.size(),
                             target.names.Count(), k, codes_[k]);
      if (target.columns[k] < 0) ThrowTypeNotAColumn(texts_.table, recno, account, target.names[k]);
      const auto c = static_cast<std::size_t>(target.columns[k]);
      values_[c] = IsAscii(codes_[k]) ? std::string(codes_[k]) : GbkToUtf8(codes_[k]);
      if (!set_[c]) touched_.push_back(c);
      set_[c] = true;
    }
  }

  const std::string* Value(std::size_t column) override {
    return set_[column] ? &values_[column] : nullptr;
  }

  void Written(std::int64_t number) override {
    bar_.SetPartsComplete(static_cast<int>(number));
    host_.Yield();
  }

 private:
  // The 辅助核算项 (GBK) that the look-up gives for `account` (GBK).
  const std::string& LookUp(std::string_view account) {
    static const std::string kNone;
    code_ = IsAscii(account) ? std::string(account) : GbkToUtf8Escaped(account);
    if (code_.find('\0') == std::string::npos) {
      const std::string* types = chart_.Find(code_);
      return types == nullptr ? kNone : *types;
    }
    // SQLite's collation stops comparing at a NUL: let SQLite itself answer.
    sqlite3_bind_text(direct_, 1, code_.data(), static_cast<int>(code_.size()), SQLITE_STATIC);
    const int rc = sqlite3_step(direct_);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
      const std::string message = sqlite3_errmsg(sqlite3_db_handle(direct_));
      sqlite3_reset(direct_);
      throw db::EngineError(message);
    }
    direct_answer_.clear();
    if (rc == SQLITE_ROW) {
      const auto* text = sqlite3_column_text(direct_, 0);
      if (text != nullptr)
        direct_answer_ =
            Utf8ToGbk(std::string_view(reinterpret_cast<const char*>(text),
                                       static_cast<std::size_t>(sqlite3_column_bytes(direct_, 0))));
    }
    sqlite3_reset(direct_);
    return rc == SQLITE_ROW ? direct_answer_ : kNone;
  }

  const AccountColumns& Resolve(const std::string& types) {
    auto [it, added] = resolved_.try_emplace(types);
    if (added) {
      it->second.names = SplitText(Trim(types), "/");
      for (const std::string& name : it->second.names) {
        const auto column = columns_.find(AsciiLower(GbkToUtf8(name)));
        it->second.columns.push_back(column == columns_.end() ? -1 : column->second);
      }
    }
    return it->second;
  }

  const AuxPassTexts& texts_;
  const AccountTypes& chart_;
  const std::unordered_map<std::string, int>& columns_;  // ASCII-lowered name -> column
  sqlite3_stmt* direct_;                                 // the look-up, for codes with a NUL
  StageHost& host_;
  ProgressBar& bar_;
  std::unordered_map<std::string, AccountColumns> resolved_;  // 辅助核算项 -> its columns
  std::vector<std::string> values_;                           // per column: value set
  std::vector<bool> set_;                                     // per column: set on this row
  std::vector<std::size_t> touched_;                          // columns set on this row
  std::vector<std::string_view> codes_;
  std::string group_scratch_, account_scratch_, code_, direct_answer_;
  std::uint64_t lookups_ = 0;
};

}  // namespace

bool SpreadByRewrite(db::StatementRunner& runner, StageHost& host, const StringList& aux_item_names,
                     const AuxPassTexts& texts) {
  db::Connection& connection = runner.connection();
  if (connection.mode() != db::Connection::Mode::kDatabaseFile) return false;
  sqlite3* db = connection.handle();

  // The statements as the engine takes them apart.
  std::vector<std::vector<db::AddedColumn>> alters;
  std::vector<std::string> statements = {texts.add_columns + BuildAuxColumnList(aux_item_names)};
  if (texts.row_number != nullptr) statements.emplace_back(texts.row_number);
  for (const std::string& sql : statements) {
    db::JetStatement st;
    try {
      st = db::TranslateJet(GbkToUtf8Escaped(sql));
    } catch (const db::EngineError&) {
      return false;
    }
    if (st.kind != db::JetStatement::Kind::kAlterAdd ||
        AsciiLower(st.table) != AsciiLower(texts.table))
      return false;
    alters.push_back(std::move(st.columns));
  }
  // The queries hold no result from here on, as after the statements; the rewrite needs
  // the connection to itself.
  runner.main_query().Close();
  runner.lookup_query().Close();
  connection.CommitWrites();
  if (sqlite3_get_autocommit(db) == 0) return false;
  std::unique_ptr<db::TableRewrite> rewrite;
  try {
    rewrite = db::TableRewrite::Plan(db, texts.table, alters);
  } catch (const db::EngineError&) {
    return false;  // trying changed nothing; the walk meets whatever failed
  }
  if (rewrite == nullptr) return false;
  std::optional<AccountTypes> chart = AccountTypes::Load(db);
  if (!chart) return false;

  // Columns by name as the select of the table finds them: ASCII case ignored.
  std::unordered_map<std::string, int> by_name;
  for (std::size_t i = 0; i < rewrite->columns().size(); ++i)
    by_name.emplace(AsciiLower(rewrite->columns()[i]), static_cast<int>(i));
  auto own_column = [&](const char* utf8) {
    const auto it = by_name.find(AsciiLower(utf8));
    return it == by_name.end() || static_cast<std::size_t>(it->second) >= rewrite->own_columns()
               ? -1
               : it->second;
  };
  const int group_column = own_column("辅助核算组");
  const int account_column = own_column("科目编号");
  if (group_column < 0 || account_column < 0) return false;

  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(db, "select 辅助核算项 from KJKM where 科目编号= ?", -1, &raw, nullptr) !=
      SQLITE_OK)
    return false;
  db::SqliteStmt direct(raw);

  ProgressBar& bar = host.Progress();
  bar.SetTotalParts(static_cast<int>(rewrite->rows()));
  host.SetStatus(Gbk(texts.status));
  Spreader spreader(texts, *chart, by_name, rewrite->columns().size(), raw, host);
  try {
    rewrite->Run(
        spreader, spreader.Editable(),
        {static_cast<std::size_t>(group_column), static_cast<std::size_t>(account_column)});
  } catch (...) {
    direct.reset();
    connection.index_hints().Note(db, "KJKM", "科目编号", spreader.lookups());
    throw;
  }
  direct.reset();
  connection.index_hints().Note(db, "KJKM", "科目编号", spreader.lookups());
  return true;
}

}  // namespace qoru
