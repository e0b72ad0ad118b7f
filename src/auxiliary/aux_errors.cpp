#include "auxiliary/aux_errors.h"

#include "auxiliary/aux_messages.h"

namespace qoru {

[[noreturn]] void ThrowCodeWithoutName(const std::string& table, int recno, std::string_view group,
                                       std::string_view account, std::size_t codes,
                                       std::size_t names, std::size_t k, std::string_view code) {
  throw AuxiliaryError(CodeWithoutTypeMessage(table, recno, group, codes, account, names, k, code));
}

[[noreturn]] void ThrowTypeNotAColumn(const std::string& table, int recno, std::string_view account,
                                      std::string_view type) {
  throw AuxiliaryError(TypeNotAColumnMessage(table, recno, account, type));
}

}  // namespace qoru
