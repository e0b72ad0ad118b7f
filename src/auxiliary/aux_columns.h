// Auxiliary columns of the voucher table JZPZ and the balance table KMYE. Each table
// gets one text column per auxiliary item type (JZPZ also the row number flxh); then
// every row whose 辅助核算组 holds codes has them written into the columns named by its
// account's 辅助核算项 in KJKM, position by position (aux_rule.h).
//
// A table that the import stage held back for its pass is created and spread in one
// go, every row written once (spread_import.h). A table that exists already (a second
// run over a kept database), or that cannot be spread exactly while it is imported, is
// walked through the queries: the columns added by statements, the rows read one by one
// and each row with codes posted.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "auxiliary/aux_rule.h"
#include "auxiliary/chart_lookup.h"
#include "text/string_list.h"

namespace qoru {

class StageHost;
namespace db {
class StatementRunner;
struct HeldImport;
}  // namespace db

// How a pass went about it.
enum class AuxPassWay { kWhileImporting, kWalked };

// One pass over `table` ("JZPZ" or "KMYE"): adds the columns, spreads the codes.
// `held` is the table's held import, or null.
AuxPassWay SpreadAuxiliaryColumns(db::StatementRunner& runner, StageHost& host,
                                  const StringList& aux_item_names, const std::string& table,
                                  const db::HeldImport* held = nullptr);

// The 辅助核算项 of `account` as the walk looks it up: from `chart` when the chart could be
// read (ChartLookup::Load), else by the look-up statement on the runner's look-up query,
// which then fails as the run meets it (a Failure naming the query and the engine's
// words).
std::string AccountAuxTypes(db::StatementRunner& runner, std::optional<ChartLookup>& chart,
                            std::string_view account);

// Opens the walk's select over the rows of `table` ("JZPZ" or "KMYE") on the runner's
// main query; its fields are then read by name as the walk reads them.
void OpenPassRows(db::StatementRunner& runner, const std::string& table);

// The voucher pass, then the balance pass, over tables that exist.
void SpreadAllAuxiliaryColumns(db::StatementRunner& runner, StageHost& host,
                               const StringList& aux_item_names);

}  // namespace qoru
