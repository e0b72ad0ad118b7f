#include "auxiliary/aux_columns.h"

#include <fmt/format.h>

#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "auxiliary/account_types.h"
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

struct PassTexts {
  const char* table;
  const char* add_columns;
  const char* row_number;  // nullptr: none
  const char* select;
  const char* status;  // UTF-8
};

constexpr PassTexts kVoucherPass{"JZPZ", "alter table JZPZ add ",
                                 "alter table JZPZ add flxh autoincrement", "select * from JZPZ ",
                                 "正在处理凭证库，请稍候……"};
constexpr PassTexts kBalancePass{"KMYE", "alter table KMYE add ", nullptr, "select * from KMYE ",
                                 "正在处理余额表，请稍候……"};

// The failures of a row whose codes cannot be spread; `recno` counts from 1.
[[noreturn]] void ThrowCodeWithoutName(const std::string& table, int recno, std::string_view group,
                                       std::string_view account, std::size_t codes,
                                       std::size_t names, std::size_t k, std::string_view code) {
  throw AuxiliaryError(fmt::format(
      "{} 第 {} 行：辅助核算组“{}”有 {} 个编码，但科目“{}”在 KJKM 中{}，第 {} 个编码“{}”"
      "没有对应的辅助核算项",
      table, recno, DisplayText(group), codes, DisplayText(account),
      names == 0 ? std::string("没有辅助核算项（或 KJKM 中没有这个科目）")
                 : fmt::format("只有 {} 个辅助核算项", names),
      k + 1, DisplayText(code)));
}

[[noreturn]] void ThrowTypeNotAColumn(const std::string& table, int recno, std::string_view account,
                                      std::string_view type) {
  throw AuxiliaryError(
      fmt::format("{} 第 {} 行：科目“{}”的辅助核算项“{}”不是 {} 的列（辅助核算项档案中没有这个"
                  "类型，或名称写法不同）",
                  table, recno, DisplayText(account), DisplayText(type), table));
}

// Writes the row's codes into the columns that its account's type names name.
void SpreadRow(db::Query& rows, const std::string& table, const std::string& group,
               const std::string& account, const StringList& codes, const StringList& names) {
  for (std::size_t k = 0; k < codes.Count(); ++k) {
    if (k >= names.Count())
      ThrowCodeWithoutName(table, rows.RecNo(), group, account, codes.Count(), names.Count(), k,
                           codes[k]);
    db::Field field = [&] {
      try {
        return rows.FieldByName(names[k]);
      } catch (const db::FieldNotFoundError&) {
        ThrowTypeNotAColumn(table, rows.RecNo(), account, names[k]);
      }
    }();
    field.SetAsString(codes[k]);
  }
}

// The pass as its statements and its walk describe it: the columns are added, the rows
// walked through the main query, each account looked up through the look-up query and
// each row with codes posted.
void WalkWithQueries(db::StatementRunner& runner, StageHost& host, const StringList& aux_item_names,
                     const PassTexts& texts) {
  static const std::string kGroup = Gbk("辅助核算组");
  static const std::string kAccount = Gbk("科目编号");
  static const std::string kTypes = Gbk("辅助核算项");
  static const std::string kLookup = Gbk("select 辅助核算项 from KJKM where 科目编号= ");

  runner.ExecuteStatement(texts.add_columns + BuildAuxColumnList(aux_item_names));
  if (texts.row_number != nullptr) runner.ExecuteStatement(texts.row_number);
  runner.OpenQuery(texts.select);

  db::Query& rows = runner.main_query();
  rows.First();
  ProgressBar& bar = host.Progress();
  bar.SetTotalParts(rows.RecordCount());
  host.SetStatus(Gbk(texts.status));
  while (!rows.Eof()) {
    const std::string group(Trim(rows.FieldByName(kGroup).AsString()));
    if (!group.empty()) {
      const StringList codes = SplitText(group, "/");
      const std::string account(Trim(rows.FieldByName(kAccount).AsString()));
      runner.OpenLookup(kLookup + QuotedText(account));
      const std::string types = runner.lookup_query().FieldByName(kTypes).AsString();
      const StringList names = SplitText(Trim(types), "/");
      rows.Edit();
      SpreadRow(rows, texts.table, group, account, codes, names);
      rows.Post();
    }
    bar.SetPartsComplete(rows.RecNo());
    host.Yield();
    rows.Next();
  }
}

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
  Spreader(const PassTexts& texts, const AccountTypes& chart,
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

  const PassTexts& texts_;
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

// The same pass as one sequential rewrite of the table (database/table_rewrite.h), with
// the chart of accounts read once (account_types.h). Every row, failure, progress value
// and status text is what WalkWithQueries gives; where that cannot be assured (the
// statements would not all succeed, the table or the chart is not as plain as needed),
// nothing is done and false is returned.
bool SpreadByRewrite(db::StatementRunner& runner, StageHost& host, const StringList& aux_item_names,
                     const PassTexts& texts) {
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
  std::unique_ptr<db::TableRewrite> rewrite = db::TableRewrite::Plan(db, texts.table, alters);
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

}  // namespace

std::string BuildAuxColumnList(const StringList& names) {
  std::string text;
  for (const std::string& name : names) text += name + " varchar(255),";
  if (!text.empty()) text.pop_back();
  return text;
}

StringList SplitText(std::string_view text, std::string_view separator) {
  StringList items;
  if (separator.empty() || text.empty()) return items;
  std::string_view rest = text;
  while (true) {
    const std::size_t p = rest.find(separator);
    if (p == std::string_view::npos) {
      items.Add(std::string(rest));
      return items;
    }
    items.Add(std::string(rest.substr(0, p)));
    rest.remove_prefix(p + separator.size());
  }
}

void SpreadAuxiliaryColumns(db::StatementRunner& runner, StageHost& host,
                            const StringList& aux_item_names, const std::string& table) {
  const PassTexts& texts = table == "KMYE" ? kBalancePass : kVoucherPass;
  if (SpreadByRewrite(runner, host, aux_item_names, texts)) return;
  WalkWithQueries(runner, host, aux_item_names, texts);
}

void SpreadAllAuxiliaryColumns(db::StatementRunner& runner, StageHost& host,
                               const StringList& aux_item_names) {
  SpreadAuxiliaryColumns(runner, host, aux_item_names, "JZPZ");
  SpreadAuxiliaryColumns(runner, host, aux_item_names, "KMYE");
}

}  // namespace qoru
