#include "auxiliary/spread_import.h"

#include <atomic>
#include <optional>
#include <vector>

#include "auxiliary/aux_rule.h"
#include "auxiliary/chart_lookup.h"
#include "database/engine/engine_error.h"
#include "database/import/csv_reader.h"
#include "database/import/row_batch_queue.h"
#include "database/import/text_import.h"
#include "database/query/connection.h"
#include "database/query/query.h"
#include "database/query/statement_runner.h"
#include "database/query/table_builder.h"
#include "database/staging_database.h"
#include "errors/errors.h"
#include "faces/progress_bar.h"
#include "faces/stage_host.h"
#include "host/trace.h"
#include "text/gbk_codec.h"
#include "text/gbk_text.h"

namespace qoru {
namespace {

std::string_view ValueOf(const db::RowBatch& batch, std::size_t value) {
  if (batch.starts[value] < 0) return std::string_view();
  return std::string_view(batch.text)
      .substr(static_cast<std::size_t>(batch.starts[value]), batch.lengths[value]);
}

// The widening of the import: the pass's statements on the empty table, then each
// row's codes by the rule, on the reading thread; progress on the inserting one.
class SpreadingImport : public db::ImportWidening {
 public:
  SpreadingImport(db::StatementRunner& runner, StageHost& host, const StringList& names,
                  const AuxPassTexts& texts, const ChartLookup& chart, std::size_t group,
                  std::size_t account, std::uint64_t rows)
      : runner_(runner),
        host_(host),
        names_(names),
        texts_(texts),
        chart_(chart),
        group_(group),
        account_(account),
        rows_(rows) {}

  int Widen(sqlite3* db, const std::string& table) override {
    own_ = db::TableColumns(db, table).size();
    runner_.ExecuteStatement(texts_.add_columns + BuildAuxColumnList(names_));
    int row_number = -1;
    if (texts_.row_number != nullptr) {
      const std::size_t before = db::TableColumns(db, table).size();
      if (runner_.ExecuteStatement(texts_.row_number)) row_number = static_cast<int>(before);
    }
    table_.emplace(DeclaredAuxTable(db, texts_.table));
    columns_ = table_->columns().size();
    rule_.emplace(*table_);
    if (Tracing(kTraceStatement))
      Trace(kTraceStatement, std::string(texts_.select) + "（与导入一起执行）");
    ProgressBar& bar = host_.Progress();
    bar.SetTotalParts(static_cast<int>(rows_));
    host_.SetStatus(Gbk(texts_.status));
    return row_number;
  }

  void Fill(std::uint64_t number, db::RowBatch& batch, std::size_t first) override {
    for (std::size_t c = own_; c < columns_; ++c) batch.AddNull();
    if (failed_at_.load(std::memory_order_relaxed) != 0) return;
    const std::string_view group = AuxGroup(ValueOf(batch, first + group_));
    if (group.empty()) return;
    ++lookups_;
    const std::string_view account = AuxAccount(ValueOf(batch, first + account_));
    const std::string* types = chart_.FindInMemory(account);
    const AuxOutcome& outcome = rule_->Apply(types == nullptr ? std::string_view() : *types, group);
    if (outcome.failure != AuxOutcome::Failure::kNone) {
      failure_ = outcome.failure;
      message_ =
          AuxFailureMessage(*table_, static_cast<long long>(number), account, group, outcome);
      failed_at_.store(number, std::memory_order_relaxed);
      return;
    }
    for (const AuxOutcome::Cell& cell : outcome.cells) {
      const std::size_t value = first + cell.column;
      batch.starts[value] = cell.code.data() - batch.text.data();
      batch.lengths[value] = cell.code.size();
    }
  }

  void Inserted(std::uint64_t number) override {
    const std::uint64_t failed = failed_at_.load(std::memory_order_relaxed);
    if (failed != 0 && number >= failed) return;
    host_.Progress().SetPartsComplete(static_cast<int>(number));
    host_.Yield();
  }

  std::uint64_t lookups() const { return lookups_; }

  // Raises the failure of the row that stopped the spreading, if one did.
  void RaiseFailure() const {
    if (failed_at_.load(std::memory_order_relaxed) != 0) ThrowAuxFailure(failure_, message_);
  }

 private:
  db::StatementRunner& runner_;
  StageHost& host_;
  const StringList& names_;
  const AuxPassTexts& texts_;
  const ChartLookup& chart_;
  const std::size_t group_;    // the file's column of 辅助核算组
  const std::size_t account_;  // the file's column of 科目编号
  const std::uint64_t rows_;   // the rows the file holds
  std::size_t own_ = 0;        // the file's columns
  std::size_t columns_ = 0;    // the table's columns once widened
  std::optional<AuxTable> table_;
  std::optional<AuxRule> rule_;
  // Written by the reading thread, read by the inserting one after the row's batch has
  // passed the queue.
  std::atomic<std::uint64_t> failed_at_{0};  // the row that failed, from 1; 0: none
  AuxOutcome::Failure failure_ = AuxOutcome::Failure::kNone;
  std::string message_;
  std::uint64_t lookups_ = 0;  // rows that looked their account up
};

}  // namespace

std::optional<std::size_t> ColumnOf(const std::vector<std::string>& columns,
                                    std::string_view name) {
  const std::string key = AsciiLower(name);
  for (std::size_t i = 0; i < columns.size(); ++i)
    if (AsciiLower(columns[i]) == key) return i;
  return std::nullopt;
}

AuxTable DeclaredAuxTable(sqlite3* db, const std::string& table) {
  std::vector<AuxColumn> columns;
  for (const db::TableColumn& c : db::TableColumns(db, table))
    columns.push_back({c.name, static_cast<std::size_t>(std::max(0L, db::DeclaredLength(c.type)))});
  return AuxTable(table, std::move(columns));
}

std::function<bool(const std::string&)> AuxPassHold(const StringList& table_map,
                                                    const std::string& accounts_file) {
  std::vector<std::string> names;
  for (const std::string& entry : table_map)
    names.push_back(AsciiLower(db::ImportTableName(entry)));
  const std::string chart = AsciiLower(db::ImportTableName("=" + accounts_file));
  return [names = std::move(names), chart](const std::string& table_gbk) {
    const std::string name = AsciiLower(table_gbk);
    if (name != "jzpz" && name != "kmye") return false;
    if (name == chart) return false;
    std::size_t same = 0;
    for (const std::string& n : names) same += n == name ? 1 : 0;
    return same == 1;
  };
}

SpreadImport SpreadWhileImporting(db::StatementRunner& runner, StageHost& host,
                                  const StringList& aux_item_names, const AuxPassTexts& texts,
                                  const db::HeldImport& held) {
  constexpr SpreadImport kNotTried = SpreadImport::kNotTried;
  db::Connection& connection = runner.connection();
  if (connection.mode() != db::Connection::Mode::kDatabaseFile) return kNotTried;
  std::vector<std::string> columns;
  std::uint64_t rows = 0;
  try {
    columns = db::ImportColumnNames(held.import.directory, held.import.file_name);
    rows =
        db::CountImportRowsOfFile(db::ImportFilePath(held.import.directory, held.import.file_name),
                                  GbkToUtf8(held.import.file_name));
  } catch (const db::EngineError&) {
    return kNotTried;  // the import itself fails; the plain import meets it
  }
  const auto group = ColumnOf(columns, "辅助核算组");
  const auto account = ColumnOf(columns, "科目编号");
  if (!group || !account || db::TableExists(connection.handle(), held.import.table))
    return kNotTried;
  std::optional<ChartLookup> chart = ChartLookup::Load(connection.handle());
  if (!chart || !chart->in_memory()) return kNotTried;

  SpreadingImport spreading(runner, host, aux_item_names, texts, *chart, *group, *account, rows);
  if (!db::ImportHeld(runner, held, &spreading)) return SpreadImport::kImportRejected;
  connection.index_hints().Note(connection.handle(), "KJKM", "科目编号", spreading.lookups());
  spreading.RaiseFailure();
  return SpreadImport::kDone;
}

}  // namespace qoru
