#include "auxiliary/aux_errors.h"

#include <fmt/format.h>

namespace qoru {

[[noreturn]] void ThrowCodeWithoutName(const std::string& table, int recno, std::string_view group,
                                       std::string_view account, std::size_t codes,
                                       std::size_t names, std::size_t k, std::string_view code) {
  throw AuxiliaryError(fmt::format(
      "{} 第 {} 行：辅助核算组“{}”有 {} 个编码，但科目“{}”在 KJKM 中{}，第 {} 个编码“{}”"
      "没有对应的辅助核算项",
      table, recno, DisplayText(group), codes, DisplayText(account),
      names == 0 ? std::string("没有辅助核算项（或 KJKM 中没有这个科目）")
                 : fmt::format("只有 {} 个辅助核算项", names),
      k + 1, DisplayText(code)));
}

[[noreturn]] void ThrowTypeNotAColumn(const std::string& table, int recno, std::string_view account,
                                      std::string_view type) {
  throw AuxiliaryError(
      fmt::format("{} 第 {} 行：科目“{}”的辅助核算项“{}”不是 {} 的列（辅助核算项档案中没有这个"
                  "类型，或名称写法不同）",
                  table, recno, DisplayText(account), DisplayText(type), table));
}

}  // namespace qoru
