#include "inspection/preflight_pass.h"

#include <fmt/format.h>

#include "auxiliary/aux_rule.h"
#include "auxiliary/chart_lookup.h"
#include "auxiliary/spread_import.h"
#include "files/text_lines.h"
#include "inspection/database_reader.h"
#include "text/gbk_codec.h"
#include "text/gbk_text.h"

namespace qoru::inspection {
namespace {
constexpr std::uint64_t kRowsShown = 10;  // failing rows listed per pass
}  // namespace

std::uint64_t PredictPass(const PassInput& input, const std::function<void(Finding)>& add) {
  const std::string& table = input.table;
  const std::string file = GbkToUtf8(input.file);
  const auto group_at = ColumnOf(input.columns, "辅助核算组");
  const auto account_at = ColumnOf(input.columns, "科目编号");
  // The run's own look-up and rule, on the table as the pass's statements leave it.
  DatabaseReader db(input.scratch_db);
  std::optional<ChartLookup> chart;
  const AuxTable aux_table = db.ok() ? DeclaredAuxTable(db.handle(), table) : AuxTable(table, {});
  if (db.ok()) chart = ChartLookup::Load(db.handle());
  AuxRule rule(aux_table);

  std::uint64_t recno = 0;
  std::uint64_t failing = 0;  // rows that would stop the run
  const auto fail = [&](std::uint64_t line, std::string value, std::string message) {
    if (failing++ < kRowsShown)
      add({true, input.step, recno, file, line, std::move(value), std::move(message)});
  };
  // `field(at)` gives the row's value of a column as the import decodes it; null (and a
  // column the row lacks) reads empty.
  std::string group_text, account_text;
  const auto row = [&](auto&& field, std::uint64_t line) {
    ++recno;
    if (!group_at)
      return fail(line, "",
                  fmt::format("{} 第 {} 行：表 {} 中没有“辅助核算组”列", table, recno, table));
    group_text = field(*group_at);
    const std::string_view group = AuxGroup(group_text);
    if (group.empty()) return;
    if (!account_at)
      return fail(line, std::string(group),
                  fmt::format("{} 第 {} 行：表 {} 中没有“科目编号”列", table, recno, table));
    account_text = field(*account_at);
    const std::string_view account = AuxAccount(account_text);
    if (!chart)
      return fail(
          line, std::string(account),
          fmt::format("{} 第 {} 行：查不到科目“{}”的辅助核算项（{}），转换在此停止", table, recno,
                      account, input.lookup_broken.empty() ? "查询不能执行" : input.lookup_broken));
    const std::string* types = chart->Find(account);
    const AuxOutcome& outcome = rule.Apply(types == nullptr ? std::string_view() : *types, group);
    if (outcome.failure == AuxOutcome::Failure::kNone) return;
    fail(line,
         std::string(outcome.failure == AuxOutcome::Failure::kTypeNotAColumn ? outcome.type
                                                                             : outcome.code),
         AuxFailureMessage(aux_table, static_cast<long long>(recno), account, group, outcome));
  };

  for (const auto& leading : input.leading_rows)
    row([&](std::size_t at) { return at < leading.size() ? leading[at].value_or("") : ""; }, 0);
  LineReader reader(input.source + "/" + input.file);
  std::string line;
  std::uint64_t line_number = 0;
  std::vector<std::string_view> fields;
  while (reader.Next(line)) {
    ++line_number;
    if (line.empty()) continue;
    fields.clear();
    std::size_t start = 0;
    while (true) {
      const std::size_t tab = line.find('\t', start);
      fields.emplace_back(std::string_view(line).substr(
          start, tab == std::string::npos ? std::string::npos : tab - start));
      if (tab == std::string::npos) break;
      start = tab + 1;
    }
    // The staged row holds each of these values as one field (staging/table_text.h).
    row([&](std::size_t at) { return at < fields.size() ? GbkToUtf8(fields[at]) : std::string(); },
        line_number);
  }
  if (failing > kRowsShown)
    add({true, input.step, recno + 1, file, 0, "",
         fmt::format("{} 中共有 {} 行会使转换停止，上面列出前 {} 行", table, failing, kRowsShown)});
  return recno;
}

}  // namespace qoru::inspection
