#include "database/query/connection_string.h"

#include <fmt/format.h>

#include "database/engine/engine_error.h"
#include "errors/errors.h"
#include "files/path_text.h"
#include "text/gbk_codec.h"
#include "text/gbk_text.h"

namespace qoru::db {
namespace {

std::size_t FindNoCase(std::string_view text, std::string_view needle, std::size_t from = 0) {
  const std::string lower = AsciiLower(text);
  return lower.find(AsciiLower(needle), from);
}

}  // namespace

ConnectionTarget ParseConnectionString(const std::string& cs) {
  const std::size_t key = FindNoCase(cs, "Data Source=");
  if (key == std::string::npos)
    throw EngineError(fmt::format("the connection string names no data source: {}", PathText(cs)));
  std::size_t pos = key + std::string_view("Data Source=").size();
  std::string value;
  std::size_t after = 0;
  if (pos < cs.size() && cs[pos] == '\'') {
    ++pos;
    while (pos < cs.size()) {
      if (cs[pos] == '\'') {
        if (pos + 1 < cs.size() && cs[pos + 1] == '\'') {
          value.push_back('\'');
          pos += 2;
          continue;
        }
        break;
      }
      value.push_back(cs[pos++]);
    }
    if (pos >= cs.size())
      throw EngineError(
          fmt::format("unterminated quoted data source in connection string: {}", PathText(cs)));
    after = pos + 1;
  } else {
    std::size_t end = FindNoCase(cs, ";Extended Properties=", pos);
    if (end == std::string::npos) {
      end = cs.rfind(';');
      if (end == std::string::npos || end < pos) end = cs.size();
    }
    value = cs.substr(pos, end - pos);
    after = end;
  }
  const std::size_t ext = FindNoCase(cs, "Extended Properties=", after);
  ConnectionTarget target;
  target.text_directory =
      ext != std::string::npos && FindNoCase(cs.substr(ext), "text") != std::string::npos;
  target.source = std::move(value);
  return target;
}

}  // namespace qoru::db
