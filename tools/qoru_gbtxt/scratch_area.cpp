#include "qoru_gbtxt/scratch_area.h"

#include <cerrno>
#include <cstdlib>
#include <stdexcept>

#include "errors/errors.h"
#include "files/file_system.h"
#include "files/os_file.h"
#include "qoru_gbtxt/work_area.h"

namespace qoru::host {

ScratchArea::ScratchArea(const char* prefix) {
  const std::string parent = os::TemporaryFolder();
  std::string pattern = parent + "/" + prefix + "-XXXXXX";
  if (os::MakeTemporaryDirectory(pattern) != 0)
    throw ScratchAreaError("临时目录不可写：无法在 " + parent + " 中创建 " + prefix + "-XXXXXX（" +
                           SystemErrorText(errno) +
                           "）。请让它可写，或把环境变量 TMPDIR "
                           "设为一个可写的目录");
  work_ = pattern + "/";
  if (const std::string problem = PrepareWorkArea(work_, false); !problem.empty()) {
    RemoveTree(work_);
    throw ScratchAreaError(problem);
  }
}

ScratchArea::~ScratchArea() {
  RemoveTree(work_);
}

}  // namespace qoru::host
