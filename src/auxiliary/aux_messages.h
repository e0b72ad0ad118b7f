// The words of the failures that stop a voucher or balance pass, shared by the run and
// by the book set inspection that predicts them. Texts in are GBK, messages out UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qoru {

// Row `recno` of `table` has more codes in its group than its account lists types
// (`name_count`, 0 when the account has none or is not in the chart); `k` is the
// position, from 0, of the first code without a type.
std::string CodeWithoutTypeMessage(std::string_view table, long long recno, std::string_view group,
                                   std::size_t code_count, std::string_view account,
                                   std::size_t name_count, std::size_t k, std::string_view code);

// Row `recno` of `table`: the account's type `name` is not a column of the table.
std::string TypeNotAColumnMessage(std::string_view table, long long recno, std::string_view account,
                                  std::string_view name);

// The description lists more archive files than types: archive `index` (from 0).
std::string ArchiveWithoutTypeMessage(std::size_t index, std::string_view archive_file,
                                      std::size_t type_count);

}  // namespace qoru
