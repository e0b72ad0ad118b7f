// A row of the voucher or balance table whose auxiliary codes cannot be spread: its
// account lists fewer auxiliary item types than the row has codes, or names a type
// that is not a column of the table. The message names the table, the row, the account
// and the type.
#pragma once

#include "platform/errors.h"

namespace qoru {

class AuxiliaryError : public Failure {
 public:
  using Failure::Failure;
};

}  // namespace qoru
