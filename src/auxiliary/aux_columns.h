// Auxiliary columns of the voucher table JZPZ and the balance table KMYE. Each table
// gets one text column per auxiliary item type (JZPZ also the row number flxh); then
// every row whose 辅助核算组 holds codes has them written into the columns named by its
// account's 辅助核算项 in KJKM, position by position.
#pragma once

#include <string>
#include <string_view>

#include "platform/string_list.h"

namespace qoru {

class StageHost;
namespace db {
class StatementRunner;
}

// "A varchar(255),B varchar(255)" for the names A and B; empty for no name.
std::string BuildAuxColumnList(const StringList& names);

// The pieces of `text` between the occurrences of `separator`, neither trimmed nor
// dropped; an empty list for an empty text or an empty separator.
StringList SplitText(std::string_view text, std::string_view separator);

// One pass over `table` ("JZPZ" or "KMYE"): adds the columns, walks the rows. It is
// carried out as one rewrite of the table where that gives the same outcome
// (spread_rewrite.h), else through the queries.
void SpreadAuxiliaryColumns(db::StatementRunner& runner, StageHost& host,
                            const StringList& aux_item_names, const std::string& table);

// The voucher pass, then the balance pass.
void SpreadAllAuxiliaryColumns(db::StatementRunner& runner, StageHost& host,
                               const StringList& aux_item_names);

}  // namespace qoru
