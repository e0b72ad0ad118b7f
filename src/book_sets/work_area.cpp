#include "book_sets/work_area.h"

#include <cerrno>

#include "errors/errors.h"
#include "files/file_system.h"
#include "files/os_file.h"
#include "files/path_text.h"
#include "text/gbk_text.h"

namespace qoru::book_sets {
namespace {

std::string Reason(int err) {
  return "（" + SystemErrorText(err) + "）";
}

// Whether a file can be created in `dir`: tried for real, since permissions alone do
// not tell (a read-only file system, or root, who passes every permission check).
int WriteProbe(const std::string& dir) {
  std::string probe = dir + ".qoru-write-probe-XXXXXX";
  const int fd = os::CreateTemporary(probe);
  if (fd < 0) return errno;
  os::Close(fd);
  os::Remove(probe);
  return 0;
}

// Removes what an earlier conversion left in TemplateTemp (files only).
std::string EmptyScratch(const std::string& dir) {
  for (const std::string& name : ListDirectory(dir)) {
    const std::string path = dir + name;
    if (IsDirectory(path)) continue;
    if (os::Remove(path) != 0)
      return "无法清空 " + PathText(dir) + "：不能删除上次转换留下的 " + PathText(path) +
             Reason(errno) + "。请删除它，或用 --work 换一个工作目录";
  }
  return {};
}

}  // namespace

std::string CheckSource(const std::string& source) {
  if (!PathExists(source)) return "源目录不存在：" + PathText(source);
  if (!IsDirectory(source)) return "源路径不是目录：" + PathText(source);
  if (std::vector<std::string> names; !os::ListNames(source, &names))
    return "无法读取源目录：" + PathText(source) + Reason(errno);
  const std::string description = source + "/GSSM.txt";
  if (IsRegularFile(description)) {
    if (!os::CanRead(description))
      return "无法读取格式说明文件 " + PathText(description) + Reason(errno);
    return {};
  }
  if (PathExists(description)) return "格式说明 " + PathText(description) + " 不是普通文件";
  for (const std::string& name : ListDirectory(source))
    if (AsciiLower(name) == "gssm.txt")
      return "源目录 " + PathText(source) + " 中的格式说明文件名是 " + PathText(name) +
             "，必须是 GSSM.txt（大小写相同）";
  return "源目录 " + PathText(source) + " 不是账套文本数据：其中没有格式说明文件 GSSM.txt";
}

std::string CheckDatabase(const std::string& database) {
  if (IsRegularFile(database)) return {};
  return PathExists(database) ? "数据库路径不是文件：" + PathText(database)
                              : "数据库文件不存在：" + PathText(database);
}

std::string DescriptionBeside(const std::string& database) {
  const std::string dir = ParentDirectory(database);
  return (dir.empty() ? "" : dir + "/") + "GSSM.txt";
}

std::string MakeWorkDirectory(const std::string& work) {
  if (work.empty() || (work.size() == 1 && os::IsSeparator(work[0]))) return "工作目录不能为空";
  if (PathExists(work) && !IsDirectory(work)) return "工作路径不是目录：" + PathText(work);
  if (!IsDirectory(work) && !MakeDirectories(work))
    return "无法创建工作目录：" + PathText(work) + Reason(errno) +
           "。请用 --work 给出一个可写的目录";
  if (const int err = WriteProbe(work); err != 0)
    return "工作目录不可写：" + PathText(work) + Reason(err) +
           "。请让它可写，或用 --work 换一个工作目录";
  return {};
}

std::string PrepareWorkArea(const std::string& work, bool keep_work) {
  if (const std::string problem = MakeWorkDirectory(work); !problem.empty()) return problem;
  for (const char* sub : {"DataBase/", "TemplateTemp/"}) {
    const std::string dir = work + sub;
    if (!MakeDirectories(dir)) return "无法创建目录：" + PathText(dir) + Reason(errno);
  }
  const std::string template_path = work + "DataBase/empty.mdb";
  if (!PathExists(template_path)) {
    const int fd = os::OpenWrite(template_path, true);
    if (fd < 0) return "无法创建空模板：" + PathText(template_path) + Reason(errno);
    os::Close(fd);
  } else if (!IsRegularFile(template_path)) {
    return "空模板不是普通文件：" + PathText(template_path);
  }
  // A TemplateTemp that cannot be written would keep an earlier run's files, and its
  // GBA.mdb, beside a run that cannot stage: refused before anything is touched.
  const std::string scratch = work + "TemplateTemp/";
  if (const int err = WriteProbe(scratch); err != 0)
    return "工作目录中的 " + PathText(scratch) + " 不可写" + Reason(err) +
           "。请让它可写，或用 --work 换一个工作目录";
  if (!keep_work) return EmptyScratch(scratch);
  return {};
}

}  // namespace qoru::book_sets
