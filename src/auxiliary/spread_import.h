// The auxiliary column pass over JZPZ or KMYE carried out while the table is imported,
// so that every row is written once, whole: the import stage holds the table back
// (AuxPassHold), and the pass then creates it from its text file, adds the columns by
// the pass's own statements while it is empty, and fills each row's codes (aux_rule.h,
// chart_lookup.h) on its way in. Rows, failures, progress, status texts and the
// statements a host hears of are those of the walk through the queries (aux_columns.h).
// Where that cannot be assured beforehand (the file's header or the chart is not as
// plain as needed, the table exists already) nothing is done: the caller then imports
// the table as it stands and walks it.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "auxiliary/aux_rule.h"
#include "text/string_list.h"

struct sqlite3;

namespace qoru {

class StageHost;
namespace db {
class StatementRunner;
struct HeldImport;
}  // namespace db

// The texts of one pass (GBK but for the status text, UTF-8).
struct AuxPassTexts {
  const char* table;
  const char* add_columns;  // "alter table T add ", followed by the column list
  const char* row_number;   // "alter table T add flxh autoincrement", or nullptr
  const char* select;
  const char* status;
};

// Which tables of the table map the import stage holds back for their pass: JZPZ and
// KMYE (ASCII case ignored), when no other entry creates a table of the same name and
// the chart of accounts is another table.
std::function<bool(const std::string& table_gbk)> AuxPassHold(const StringList& table_map,
                                                              const std::string& accounts_file);

// The column of `name` among a file's `columns`, ASCII case ignored, as a field
// look-up finds it.
std::optional<std::size_t> ColumnOf(const std::vector<std::string>& columns, std::string_view name);

// The columns of `table` with the widths it declares, as a pass writes to them.
AuxTable DeclaredAuxTable(sqlite3* db, const std::string& table);

enum class SpreadImport {
  kDone,           // the table is imported and spread (or a row's failure was raised)
  kNotTried,       // nothing was done: import the table as it stands, then walk it
  kImportRejected  // the import was tried and the engine refused it: the table is missing
};

SpreadImport SpreadWhileImporting(db::StatementRunner& runner, StageHost& host,
                                  const StringList& aux_item_names, const AuxPassTexts& texts,
                                  const db::HeldImport& held);

}  // namespace qoru
