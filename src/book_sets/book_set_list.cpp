#include "book_sets/book_set_list.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <map>
#include <thread>

#include <fmt/format.h>

#include "errors/errors.h"
#include "files/file_system.h"
#include "files/os_file.h"
#include "files/path_text.h"
#include "text/display_width.h"
#include "workbook/workbook.h"

namespace qoru::book_sets {

std::optional<std::vector<BookSetInput>> ListBookSets(const std::vector<std::string>& databases,
                                                      const std::vector<std::string>& sources,
                                                      const std::string& each, std::string* error,
                                                      const std::string& not_one) {
  std::vector<BookSetInput> inputs;
  for (const std::string& db : databases) inputs.push_back({PathText(db), db, true, {}, {}});
  for (const std::string& s : sources)
    inputs.push_back({PathText(LastComponent(s)), s, false, {}, {}});
  if (!each.empty()) {
    // Paths are GBK text: listed through the files room, named by their UTF-8 text.
    std::vector<std::string> entries;
    if (!os::ListNames(each, &entries)) {
      *error = "无法读取目录 " + PathText(each) + "：" + SystemErrorText(errno);
      return std::nullopt;
    }
    const std::string dir = WithSeparator(each);
    std::vector<std::string> names;
    for (const std::string& n : entries)
      if (IsDirectory(dir + n) && (not_one.empty() || !os::SameFile(dir + n, not_one)))
        names.push_back(n);
    if (names.empty()) {
      *error = "目录 " + PathText(each) + " 下没有子目录（每个子目录应为一个账套）";
      return std::nullopt;
    }
    std::sort(names.begin(), names.end());
    for (const std::string& n : names) inputs.push_back({PathText(n), dir + n, false, {}, {}});
  }
  return inputs;
}

namespace {

// A workpaper's name already given: the book set it is of, and the name as written.
struct TakenName {
  std::string book_set;  // UTF-8
  std::string name;      // UTF-8
};

// The workpaper's file name for a book set, unique among `taken` (by the file system's
// own comparison: on Windows without regard to case): made of the book set's name as
// text (UTF-8, where no byte of a character is an ASCII one, as a GBK character's second
// byte may be), then turned back into a path. A name that met an earlier one gets a
// number, and the book set's `xlsx_note` says so.
std::string WorkpaperName(BookSetInput& input, std::map<std::string, TakenName>& taken) {
  std::string base = input.name;
  if (input.database) {
    std::string path = input.path;
    const std::size_t dot = path.rfind('.');
    if (dot != std::string::npos && dot > ParentDirectory(path).size()) path.erase(dot);
    base = PathText(path);
    while (base.rfind("./", 0) == 0) base.erase(0, 2);
  }
  for (char& c : base)
    if (c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' ||
        c == '>' || c == '|' || static_cast<unsigned char>(c) < 0x20)
      c = '_';
  base.erase(0, std::min(base.find_first_not_of("_."), base.size()));
  if (base.empty()) base = "账套";
  const std::string wanted = base + ".xlsx";
  std::string name = wanted;
  for (int n = 2; taken.count(os::FileNameKey(PathFromText(name))) != 0; ++n)
    name = fmt::format("{}-{}.xlsx", base, n);
  if (name != wanted) {
    const TakenName& first = taken.at(os::FileNameKey(PathFromText(wanted)));
    input.xlsx_note = fmt::format(
        "工作底稿名 {} 已用于账套 {}{}，本账套的工作底稿改名为 {}", wanted, first.book_set,
        first.name == wanted ? "" : "（" + first.name + "，文件名不分大小写）", name);
  }
  taken[os::FileNameKey(PathFromText(name))] = {input.name, name};
  return PathFromText(name);
}

bool EndsWithXlsx(const std::string& path) {
  if (path.size() < 5) return false;
  std::string end = path.substr(path.size() - 5);
  for (char& c : end) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return end == ".xlsx";
}

}  // namespace

std::string AssignWorkpapers(const std::string& folder, std::vector<BookSetInput>& inputs,
                             bool overwrite) {
  const std::string rule =
      "多个账套时 --xlsx 指定一个目录（不存在时建立），每个账套在其中写一个工作底稿 账套名.xlsx";
  if (PathExists(folder)) {
    if (!IsDirectory(folder)) return "--xlsx 的值 " + PathText(folder) + " 不是目录：" + rule;
  } else if (EndsWithXlsx(folder)) {
    return "--xlsx 的值 " + PathText(folder) + " 是一个工作簿的文件名：" + rule;
  } else if (!MakeDirectories(folder)) {
    return "无法建立 --xlsx 的目录 " + PathText(folder) + "：" + SystemErrorText(errno);
  }
  const std::string dir = WithSeparator(folder);
  std::map<std::string, TakenName> taken;
  for (BookSetInput& input : inputs) input.xlsx = dir + WorkpaperName(input, taken);
  // Every target before any run: none is replaced by surprise, none read-only.
  std::string problems;
  std::size_t count = 0;
  for (const BookSetInput& input : inputs) {
    const std::string problem = workbook::TargetProblem(input.xlsx, overwrite);
    if (problem.empty()) continue;
    if (++count <= 5) problems += (problems.empty() ? "" : "；") + problem;
  }
  if (count > 5) problems += fmt::format("；另有 {} 个", count - 5);
  return count == 0 ? std::string() : "不写工作底稿，什么也没有测试：" + problems;
}

std::string LastComponent(std::string path) {
  // Split where a separator is a character of its own (file_system.h).
  const std::string name = LastPathPart(path);
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

}  // namespace qoru::book_sets
