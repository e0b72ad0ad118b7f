#include "qoru_gbtxt/scratch_area.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "errors/errors.h"
#include "files/os_file.h"
#include "qoru_gbtxt/work_area.h"

namespace qoru::host {

ScratchArea::ScratchArea(const char* prefix) {
  std::string pattern = os::TemporaryFolder() + "/" + prefix + "-XXXXXX";
  if (os::MakeTemporaryDirectory(pattern) != 0)
    throw std::runtime_error("无法创建临时目录 " + pattern + "（" + SystemErrorText(errno) + "）");
  work_ = pattern + "/";
  if (const std::string problem = PrepareWorkArea(work_, false); !problem.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(work_, ignored);
    throw std::runtime_error(problem);
  }
}

ScratchArea::~ScratchArea() {
  std::error_code ignored;
  std::filesystem::remove_all(work_, ignored);
}

}  // namespace qoru::host
