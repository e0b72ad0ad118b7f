#include "auxiliary/aux_columns.h"

#include <optional>

#include "auxiliary/chart_lookup.h"
#include "auxiliary/spread_import.h"
#include "database/query/connection.h"
#include "database/query/query.h"
#include "database/query/statement_runner.h"
#include "database/staging_database.h"
#include "faces/progress_bar.h"
#include "faces/stage_host.h"
#include "text/gbk_codec.h"
#include "text/gbk_text.h"

namespace qoru {
namespace {

constexpr AuxPassTexts kVoucherPass{"JZPZ", "alter table JZPZ add ",
                                    "alter table JZPZ add flxh autoincrement",
                                    "select * from JZPZ ", "正在处理凭证表，请稍候……"};
constexpr AuxPassTexts kBalancePass{"KMYE", "alter table KMYE add ", nullptr, "select * from KMYE ",
                                    "正在处理余额表，请稍候……"};

const AuxPassTexts& TextsOf(const std::string& table) {
  return table == "KMYE" ? kBalancePass : kVoucherPass;
}

// The pass as its statements and its walk describe it: the columns are added, the rows
// walked through the main query, each account looked up in the chart and each row with
// codes posted.

void WalkWithQueries(db::StatementRunner& runner, StageHost& host, const StringList& aux_item_names,
                     const AuxPassTexts& texts) {
  runner.ExecuteStatement(texts.add_columns + BuildAuxColumnList(aux_item_names));
  if (texts.row_number != nullptr) runner.ExecuteStatement(texts.row_number);
  runner.OpenQuery(texts.select);
  db::Query& rows = runner.main_query();
  rows.First();
  ProgressBar& bar = host.Progress();
  bar.SetTotalParts(rows.RecordCount());
  host.SetStatus(Gbk(texts.status));
  db::Connection& connection = runner.connection();
  const AuxTable table = DeclaredAuxTable(connection.handle(), texts.table);
  AuxRule rule(table);
  std::optional<ChartLookup> chart = ChartLookup::Load(connection.handle());
  std::uint64_t lookups = 0;
  struct NoteLookups {  // the look-ups count towards an index on the chart, however the walk ends
    db::Connection& connection;
    std::uint64_t& lookups;
    ~NoteLookups() {
      if (connection.handle() != nullptr)
        connection.index_hints().Note(connection.handle(), "KJKM", "科目编号", lookups);
    }
  } note{connection, lookups};
  std::string types;
  while (!rows.Eof()) {
    const std::string group_text = rows.FieldByNameUtf8("辅助核算组").AsUtf8();
    const std::string_view group = AuxGroup(group_text);
    if (!group.empty()) {
      const std::string account_text = rows.FieldByNameUtf8("科目编号").AsUtf8();
      const std::string_view account = AuxAccount(account_text);
      if (chart) ++lookups;
      types = AccountAuxTypes(runner, chart, account);
      const AuxOutcome& outcome = rule.Apply(types, group);
      if (outcome.failure != AuxOutcome::Failure::kNone)
        ThrowAuxFailure(outcome.failure,
                        AuxFailureMessage(table, rows.RecNo(), account, group, outcome));
      rows.Edit();
      for (const AuxOutcome::Cell& cell : outcome.cells)
        rows.FieldByNameUtf8(table.columns()[cell.column].name).SetAsUtf8(std::string(cell.code));
      rows.Post();
    }
    bar.SetPartsComplete(rows.RecNo());
    host.Yield();
    rows.Next();
  }
}

}  // namespace

std::string AccountAuxTypes(db::StatementRunner& runner, std::optional<ChartLookup>& chart,
                            std::string_view account) {
  if (chart) {
    const std::string* found = chart->Find(account);
    return found == nullptr ? std::string() : *found;
  }
  // The look-up statement fails; it is made (and counted) so that it fails as it
  // always has.
  static const std::string kLookup = Gbk("select 辅助核算项 from KJKM where 科目编号= ");
  static const std::string kTypes = Gbk("辅助核算项");
  runner.OpenLookup(kLookup + QuotedText(Utf8ToGbk(account)));
  return runner.lookup_query().FieldByName(kTypes).AsUtf8();
}

void OpenPassRows(db::StatementRunner& runner, const std::string& table) {
  runner.OpenQuery(TextsOf(table).select);
}

AuxPassWay SpreadAuxiliaryColumns(db::StatementRunner& runner, StageHost& host,
                                  const StringList& aux_item_names, const std::string& table,
                                  const db::HeldImport* held) {
  const AuxPassTexts& texts = TextsOf(table);
  if (held != nullptr) {
    switch (SpreadWhileImporting(runner, host, aux_item_names, texts, *held)) {
      case SpreadImport::kDone:
        return AuxPassWay::kWhileImporting;
      case SpreadImport::kNotTried:
        db::ImportHeld(runner, *held);
        break;
      case SpreadImport::kImportRejected:
        break;
    }
  }
  WalkWithQueries(runner, host, aux_item_names, texts);
  return AuxPassWay::kWalked;
}

void SpreadAllAuxiliaryColumns(db::StatementRunner& runner, StageHost& host,
                               const StringList& aux_item_names) {
  SpreadAuxiliaryColumns(runner, host, aux_item_names, "JZPZ");
  SpreadAuxiliaryColumns(runner, host, aux_item_names, "KMYE");
}

}  // namespace qoru
