#include "auxiliary/aux_messages.h"

#include <fmt/format.h>

#include "platform/errors.h"

namespace qoru {

std::string CodeWithoutTypeMessage(std::string_view table, long long recno, std::string_view group,
                                   std::size_t code_count, std::string_view account,
                                   std::size_t name_count, std::size_t k, std::string_view code) {
  return fmt::format(
      "{} 第 {} 行：辅助核算组“{}”有 {} 个编码，但科目“{}”在 KJKM 中{}，第 {} 个编码“{}”"
      "没有对应的辅助核算项",
      table, recno, DisplayText(group), code_count, DisplayText(account),
      name_count == 0 ? std::string("没有辅助核算项（或 KJKM 中没有这个科目）")
                      : fmt::format("只有 {} 个辅助核算项", name_count),
      k + 1, DisplayText(code));
}

std::string TypeNotAColumnMessage(std::string_view table, long long recno, std::string_view account,
                                  std::string_view name) {
  return fmt::format(
      "{} 第 {} 行：科目“{}”的辅助核算项“{}”不是 {} 的列（辅助核算项档案中没有这个"
      "类型，或名称写法不同）",
      table, recno, DisplayText(account), DisplayText(name), table);
}

std::string ArchiveWithoutTypeMessage(std::size_t index, std::string_view archive_file,
                                      std::size_t type_count) {
  return fmt::format(
      "格式说明 GSSM.txt 中的辅助核算档案比辅助核算项多：第 {} 个档案文件“{}”没有对应的"
      "辅助核算项名称（辅助核算项档案节只列出 {} 个类型）",
      index + 1, DisplayText(archive_file), type_count);
}

}  // namespace qoru
