#include "errors/errors.h"

#include <fmt/format.h>

#include <cerrno>
#include <cstring>

namespace qoru {

ListIndexError::ListIndexError(std::size_t index, std::size_t count, const std::string& label)
    : Failure(
          label.empty()
              ? fmt::format("列表索引越界：第 {} 项不存在（列表共 {} 项）", index, count)
              : fmt::format("列表索引越界：{}的第 {} 项不存在（共 {} 项）", label, index, count)) {}

std::string SystemErrorText(int err) {
  // The causes a user meets with files, in the users' language; the system's own text
  // for the rest.
  switch (err) {
    case ENOENT:
      return "文件或目录不存在";
    case EACCES:
      return "没有访问权限";
    case EPERM:
      return "不允许的操作";
    case EROFS:
      return "文件系统是只读的";
    case ENOSPC:
      return "磁盘空间不足";
#ifdef EDQUOT
    case EDQUOT:
      return "超出磁盘配额";
#endif
    case EFBIG:
      return "文件超过了允许的大小";
    case EISDIR:
      return "这是一个目录，不是文件";
    case ENOTDIR:
      return "路径中的一部分不是目录";
    case EEXIST:
      return "文件已存在";
    case ELOOP:
      return "路径是符号链接（不会经由链接写入），或链接层数过多";
    case ENAMETOOLONG:
      return "文件名太长";
    case EMFILE:
    case ENFILE:
      return "打开的文件太多";
    case EIO:
      return "输入输出错误";
    case EBUSY:
      return "设备或资源忙";
    case kSharingViolation:
      return "文件正被另一个程序打开（共享冲突），请在那个程序中关闭它后重试";
    case kNotRegularFile:
      return "这不是普通文件，而是命名管道、设备或套接字";
    default:
      break;
  }
  return SystemMessage(err);
}

}  // namespace qoru
