#include "platform/errors.h"

#include <fmt/format.h>

#include <cstring>

#include "platform/gbk_codec.h"

namespace qoru {

ListIndexError::ListIndexError(std::size_t index, std::size_t count, const std::string& label)
    : Failure(
          label.empty()
              ? fmt::format("列表索引越界：第 {} 项不存在（列表共 {} 项）", index, count)
              : fmt::format("列表索引越界：{}的第 {} 项不存在（共 {} 项）", label, index, count)) {}

std::string DisplayText(std::string_view gbk) {
  return GbkToUtf8(gbk);
}

std::string SystemErrorText(int err) {
  char buf[256];
  return std::string(strerror_r(err, buf, sizeof buf));
}

}  // namespace qoru
