#include "qoru_gbtxt/book_set_list.h"

#include <algorithm>
#include <filesystem>
#include <thread>

#include "text/display_width.h"

namespace qoru::host {

std::optional<std::vector<BookSetInput>> ListBookSets(const std::vector<std::string>& databases,
                                                      const std::vector<std::string>& sources,
                                                      const std::string& each, std::string* error) {
  std::vector<BookSetInput> inputs;
  for (const std::string& db : databases) inputs.push_back({db, db, true, {}});
  for (const std::string& s : sources) inputs.push_back({LastComponent(s), s, false, {}});
  if (!each.empty()) {
    std::error_code ec;
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(each, ec))
      if (entry.is_directory()) names.push_back(entry.path().filename().string());
    if (ec) {
      *error = "无法读取目录 " + each + "：" + ec.message();
      return std::nullopt;
    }
    if (names.empty()) {
      *error = "目录 " + each + " 下没有子目录（每个子目录应为一个账套）";
      return std::nullopt;
    }
    std::sort(names.begin(), names.end());
    const std::string dir = each.back() == '/' ? each : each + "/";
    for (const std::string& n : names) inputs.push_back({n, dir + n, false, {}});
  }
  return inputs;
}

std::string LastComponent(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  const std::string name = std::filesystem::path(path).filename().string();
  return name.empty() ? path : name;
}

std::string PaddedColumn(const std::string& text, int columns) {
  const int width = static_cast<int>(DisplayColumns(text));
  return text + std::string(static_cast<std::size_t>(std::max(0, columns - width)), ' ');
}

std::string RightColumn(const std::string& text, int columns) {
  const int width = static_cast<int>(DisplayColumns(text));
  return std::string(static_cast<std::size_t>(std::max(0, columns - width)), ' ') + text;
}

unsigned JobCount(unsigned jobs) {
  return jobs != 0 ? jobs : std::max(1u, std::thread::hardware_concurrency());
}

}  // namespace qoru::host
