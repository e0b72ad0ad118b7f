// A row of the voucher or balance table whose auxiliary codes cannot be spread: its
// account lists fewer auxiliary item types than the row has codes, or names a type
// that is not a column of the table. The message names the table, the row, the account
// and the type.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/errors.h"

namespace qoru {

class AuxiliaryError : public Failure {
 public:
  using Failure::Failure;
};

// The two failures, as both ways of spreading the codes report them. `recno` counts
// rows from 1; texts are GBK. Code `k` (from 0) of `codes` has no type name, `names`
// being the number of the account's type names:
[[noreturn]] void ThrowCodeWithoutName(const std::string& table, int recno, std::string_view group,
                                       std::string_view account, std::size_t codes,
                                       std::size_t names, std::size_t k, std::string_view code);
// The account's type name `type` is no column of the table:
[[noreturn]] void ThrowTypeNotAColumn(const std::string& table, int recno, std::string_view account,
                                      std::string_view type);

}  // namespace qoru
