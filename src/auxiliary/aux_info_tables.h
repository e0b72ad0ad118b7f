// The auxiliary information tables that the host reads: aidInfo (every archive's codes
// and names, per item type), aidVour (the renminbi, non-void postings with auxiliary
// codes) and aidBal (the renminbi balance rows with auxiliary codes).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "text/string_list.h"

namespace qoru {

class StageHost;
namespace db {
class StatementRunner;
}

// The auxiliary item type names go into the statements as names quoted by QuoteName,
// whatever they hold (a blank, a comma, a quote, a word of SQL): a book set's text
// never becomes a part of a statement.
//
// "\"A\",\"B\"" for A and B: the column list of the two extracts.
std::string QuotedNameList(const StringList& names);
// " ("A" <>'' and "A" is not null) or  ("B" <>'' and "B" is not null) " for A and B.
std::string BuildAuxFilter(const StringList& names);

std::string AuxInfoCreateStatement();
// The insert of the archive rows of type `name` from the table of `archive_file`.
std::string AuxInfoInsertStatement(std::string_view name, std::string_view archive_file);
std::string VoucherExtractStatement(const StringList& names);
std::string BalanceExtractStatement(const StringList& names);

// The description lists more archive files than types: archive `index` (from 0, GBK).
std::string ArchiveWithoutTypeMessage(std::size_t index, std::string_view archive_file,
                                      std::size_t type_count);

// Creates aidInfo, fills it type by type (archive i pairs with type name i), then
// extracts aidVour and aidBal. Raises AuxiliaryError when there are more archive files
// than type names.
void BuildAuxInfoTables(db::StatementRunner& runner, StageHost& host,
                        const StringList& aux_item_names, const StringList& aux_archive_files);

}  // namespace qoru
