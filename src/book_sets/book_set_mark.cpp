#include "book_sets/book_set_mark.h"

#include <cerrno>
#include <functional>

#include <fmt/format.h>

#include "book_sets/work_area.h"
#include "errors/errors.h"
#include "files/file_system.h"
#include "files/os_file.h"
#include "files/path_text.h"
#include "staging/source_staging.h"
#include "text/gbk_codec.h"
#include "text/string_list.h"

namespace qoru::book_sets {
namespace {

constexpr const char* kMarkName = ".qoru-book-set";

std::string ReadUpTo(const std::string& path, std::size_t limit) {
  std::string out;
  const int fd = os::OpenRead(path);
  if (fd < 0) return out;
  out.resize(limit);
  std::size_t used = 0;
  while (used < limit) {
    const long n = os::Read(fd, out.data() + used, limit - used);
    if (n <= 0) break;
    used += static_cast<std::size_t>(n);
  }
  os::Close(fd);
  out.resize(used);
  return out;
}

// The first line of `mark` that `other` lacks: the file that differs.
std::string FirstDifference(const std::string& mark, const std::string& other) {
  for (std::size_t start = 0; start < mark.size();) {
    const std::size_t end = mark.find('\n', start);
    const std::string line = mark.substr(start, end - start + 1);
    if (other.find(line) == std::string::npos) return line.substr(0, line.find('\t'));
    start = end == std::string::npos ? mark.size() : end + 1;
  }
  return {};
}

}  // namespace

std::string BookSetMark(const std::string& source) {
  StringList names;
  names.SetCommaText(ListSourceFiles(source));
  std::string mark;
  for (const std::string& name : names) {
    const std::string path = source + "/" + name;
    // Regular files only: a named pipe would keep the reading waiting for ever, and
    // staging says what it makes of anything else.
    os::FileInfo info;
    if (!os::Stat(path, &info) || info.kind != os::Kind::kRegular) continue;
    const std::size_t hash = std::hash<std::string>{}(ReadUpTo(path, 64 * 1024));
    mark += fmt::format("{}\t{}\t{:x}\n", name, info.size, hash);
  }
  return mark;
}

std::string KeepWorkProblem(const std::string& source, const std::string& work, bool* unknown) {
  *unknown = false;
  if (!PathExists(WorkDatabase(work))) return {};
  const std::string path = work + kMarkName;
  if (!IsRegularFile(path)) {
    *unknown = true;
    return {};
  }
  const std::string before = ReadUpTo(path, 1 << 20);
  const std::string now = BookSetMark(source);
  if (before == now) return {};
  std::string file = FirstDifference(now, before);
  if (file.empty()) file = FirstDifference(before, now);
  return fmt::format(
      "--keep-work：{} 是从另一个账套转换的（源文件 {} 不同）；在它上面转换，"
      "已有的表不会重新导入，两个账套会混在一个数据库中。请去掉 --keep-work 重新转换，"
      "或用 --work 换一个工作目录",
      PathText(WorkDatabase(work)), PathText(file));
}

std::string WriteBookSetMark(const std::string& source, const std::string& work) {
  const std::string path = work + kMarkName;
  try {
    ReplacementFile file(path);
    const std::string mark = BookSetMark(source);
    const int fd = os::OpenWrite(file.path(), false);
    if (fd < 0) return "无法写入 " + PathText(path) + "（" + SystemErrorText(errno) + "）";
    const bool written = os::Write(fd, mark.data(), mark.size()) == static_cast<long>(mark.size());
    os::Close(fd);
    if (!written) return "无法写入 " + PathText(path);
    file.Commit();
  } catch (const Failure& e) {
    return e.what();
  }
  return {};
}

}  // namespace qoru::book_sets
