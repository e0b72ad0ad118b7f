// The auxiliary column pass over JZPZ or KMYE carried out as one sequential rewrite of
// the table (database/table_rewrite.h) with the chart's 辅助核算项 read once
// (account_types.h), instead of the alter statements, a look-up and an update per row.
// Every row, failure, progress value and status text is what the walk through the
// queries gives (aux_columns.cpp). Where that cannot be assured (the statements would
// not all succeed; the table or the chart is not as plain as needed) nothing is done and
// the answer is false: the caller then walks.
#pragma once

#include "platform/string_list.h"

namespace qoru {

class StageHost;
namespace db {
class StatementRunner;
}

// The texts of one pass (GBK but for the status text, UTF-8).
struct AuxPassTexts {
  const char* table;
  const char* add_columns;  // "alter table T add ", followed by the column list
  const char* row_number;   // "alter table T add flxh autoincrement", or nullptr
  const char* select;
  const char* status;
};

bool SpreadByRewrite(db::StatementRunner& runner, StageHost& host, const StringList& aux_item_names,
                     const AuxPassTexts& texts);

}  // namespace qoru
