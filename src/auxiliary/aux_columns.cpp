#include "auxiliary/aux_columns.h"

#include <chrono>

#include "auxiliary/aux_errors.h"
#include "auxiliary/spread_rewrite.h"
#include "database/query.h"
#include "database/statement_runner.h"
#include "platform/gbk_codec.h"
#include "platform/gbk_text.h"
#include "platform/progress_bar.h"
#include "platform/stage_host.h"
#include "platform/trace.h"

namespace qoru {
namespace {

constexpr AuxPassTexts kVoucherPass{"JZPZ", "alter table JZPZ add ",
                                    "alter table JZPZ add flxh autoincrement",
                                    "select * from JZPZ ", "正在处理凭证库，请稍候……"};
constexpr AuxPassTexts kBalancePass{"KMYE", "alter table KMYE add ", nullptr, "select * from KMYE ",
                                    "正在处理余额表，请稍候……"};

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
                     const AuxPassTexts& texts) {
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
  const AuxPassTexts& texts = table == "KMYE" ? kBalancePass : kVoucherPass;
  // The rewrite carries out the pass's statements together, in one sequential copy of
  // the table; a host that follows statements hears of them when it has.
  const auto start = std::chrono::steady_clock::now();
  const auto tell = [&] {
    if (!Tracing(kTraceStatement)) return;
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    const char* note = "（与整表改写一起执行）";
    Trace(kTraceStatement, GbkToUtf8(texts.add_columns + BuildAuxColumnList(aux_item_names)) + note,
          took.count());
    if (texts.row_number != nullptr) Trace(kTraceStatement, std::string(texts.row_number) + note);
    Trace(kTraceStatement, std::string(texts.select) + note);
  };
  bool rewritten = false;
  try {
    rewritten = SpreadByRewrite(runner, host, aux_item_names, texts);
  } catch (...) {
    tell();
    throw;
  }
  if (rewritten) {
    tell();
    return;
  }
  WalkWithQueries(runner, host, aux_item_names, texts);
}

void SpreadAllAuxiliaryColumns(db::StatementRunner& runner, StageHost& host,
                               const StringList& aux_item_names) {
  SpreadAuxiliaryColumns(runner, host, aux_item_names, "JZPZ");
  SpreadAuxiliaryColumns(runner, host, aux_item_names, "KMYE");
}

}  // namespace qoru
