#include <sys/stat.h>
#include <unistd.h>

#include "test_support/system.h"
#include "text/gbk_codec.h"

namespace qoru::test {

bool PosixSystem() {
  return true;
}

bool RunningAsRoot() {
  return ::geteuid() == 0;
}

bool MakeSymlink(const std::string& target, const std::string& link) {
  return ::symlink(target.c_str(), link.c_str()) == 0;
}

bool MakeFifo(const std::string& path) {
  return ::mkfifo(path.c_str(), 0644) == 0;
}

std::u16string ResultPath(const std::string& path) {
  return GbkToUtf16(path);
}

}  // namespace qoru::test
