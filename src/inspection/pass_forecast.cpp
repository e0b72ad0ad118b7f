#include "inspection/pass_forecast.h"

#include <optional>

#include <fmt/format.h>

#include "auxiliary/aux_columns.h"
#include "auxiliary/aux_rule.h"
#include "auxiliary/chart_lookup.h"
#include "auxiliary/spread_import.h"
#include "database/import/text_import.h"
#include "database/query/connection.h"
#include "database/query/query.h"
#include "database/query/statement_runner.h"
#include "text/gbk_codec.h"

namespace qoru::inspection {
namespace {

constexpr std::uint64_t kRowsShown = 10;  // failing rows listed per pass

// Why the walk cannot read the field `name` of the pass's rows, in its words; empty
// when it can.
std::string FieldProblem(db::StatementRunner& runner, const std::string& table, const char* name) {
  try {
    OpenPassRows(runner, table);
    runner.main_query().FieldByNameUtf8(name);
  } catch (const Failure& e) {
    return e.what();
  }
  return {};
}

}  // namespace

std::uint64_t PredictPass(const PassInput& input, db::StatementRunner& runner,
                          const std::function<void(Finding)>& add) {
  const std::string& table = input.table;
  const std::string file = GbkToUtf8(input.file);
  const auto group_at = ColumnOf(input.columns, "辅助核算组");
  const auto account_at = ColumnOf(input.columns, "科目编号");
  const std::string no_group = FieldProblem(runner, table, "辅助核算组");
  const std::string no_account = FieldProblem(runner, table, "科目编号");
  // The run's own look-up and rule, on the table as the pass's statements leave it.
  sqlite3* db = runner.connection().handle();
  std::optional<ChartLookup> chart = ChartLookup::Load(db);
  const AuxTable aux_table = DeclaredAuxTable(db, table);
  AuxRule rule(aux_table);

  std::uint64_t recno = 0;
  std::uint64_t failing = 0;  // rows that would stop the run
  const auto fail = [&](std::uint64_t line, std::string value, std::string message) {
    if (failing++ < kRowsShown)
      add({true, input.step, recno, file, line, std::move(value), std::move(message)});
  };
  // A value of the row as the import decodes it; null, and a column the row lacks, read
  // empty.
  const auto field = [](const db::ImportRow& row, std::optional<std::size_t> at) {
    return at && *at < row.values.size() ? row.values[*at].value_or("") : std::string();
  };
  std::string types;
  const auto each = [&](const db::ImportRow& row) {
    ++recno;
    // The line in the table's own file; 0 for a header line of an earlier section.
    const std::uint64_t line = row.line > input.header_lines ? row.line - input.header_lines : 0;
    if (!no_group.empty()) return fail(line, "", no_group);
    const std::string group_text = field(row, group_at);
    const std::string_view group = AuxGroup(group_text);
    if (group.empty()) return;
    if (!no_account.empty()) return fail(line, std::string(group), no_account);
    const std::string account_text = field(row, account_at);
    const std::string_view account = AuxAccount(account_text);
    try {
      types = AccountAuxTypes(runner, chart, account);
    } catch (const Failure& e) {
      return fail(line, std::string(account), e.what());
    }
    const AuxOutcome& outcome = rule.Apply(types, group);
    if (outcome.failure == AuxOutcome::Failure::kNone) return;
    fail(line,
         std::string(outcome.failure == AuxOutcome::Failure::kTypeNotAColumn ? outcome.type
                                                                             : outcome.code),
         AuxFailureMessage(aux_table, static_cast<long long>(recno), account, group, outcome));
  };
  db::ReadImportRows(input.text_dir, input.file, each);
  if (failing > kRowsShown)
    add({true, input.step, recno + 1, file, 0, "",
         fmt::format("{} 中共有 {} 行会使转换停止，上面列出前 {} 行", table, failing, kRowsShown)});
  return recno;
}

}  // namespace qoru::inspection
