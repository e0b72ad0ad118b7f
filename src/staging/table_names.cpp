#include "staging/table_names.h"

#include <fmt/format.h>

#include "errors/errors.h"
#include "files/file_system.h"
#include "text/gbk_codec.h"
#include "text/gbk_text.h"

namespace qoru {
namespace {

// Why `file` cannot name a table; empty when it can.
std::string Why(std::string_view file) {
  if (file.find('=') != std::string_view::npos)
    return "其中有“=”，而改写表文本时文件名在第一个“=”处截断，导入的就不是这个文件";
  try {
    CheckBareFileName(file, "格式说明 GSSM.txt");
  } catch (const UnsafeNameError& e) {
    return e.what();
  }
  for (const char c : file)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return "其中有控制字符";
  if (file.size() < 4 || AsciiLower(file.substr(file.size() - 4)) != ".txt")
    return "文件名须以 .txt 结尾";
  const std::string_view table = file.substr(0, file.size() - 4);
  if (table.empty()) return "去掉 .txt 后表名为空";
  if (AsciiLower(table).rfind("sqlite_", 0) == 0) return "以 sqlite_ 开头的表名由数据库保留";
  return {};
}

}  // namespace

std::vector<TableNameProblem> TableNameProblems(const FormatDescription& description) {
  std::vector<TableNameProblem> problems;
  for (std::size_t i = 0; i < description.table_map.Count(); ++i) {
    const std::string& entry = description.table_map[i];
    const std::string_view file = EntryValue(entry);
    const std::string why = Why(file);
    if (why.empty()) continue;
    const std::size_t line = i < description.table_lines.size() ? description.table_lines[i] : 0;
    problems.push_back(
        {i, line,
         fmt::format("格式说明 GSSM.txt 第 {} 行（[{}]节的文件名行）“{}”不能作为表文件：{}。"
                     "表以文件名去掉“.txt”命名，须与文件名一致；已拒绝这个账套，请改正这一行",
                     line, GbkToUtf8(EntryName(entry)), GbkToUtf8(file), why)});
  }
  return problems;
}

void CheckTableNames(const FormatDescription& description) {
  const std::vector<TableNameProblem> problems = TableNameProblems(description);
  if (!problems.empty()) throw BookSetRefusal(problems.front().message);
}

}  // namespace qoru
