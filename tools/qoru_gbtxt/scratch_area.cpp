#include "qoru_gbtxt/scratch_area.h"

#include <stdlib.h>

#include <cerrno>
#include <filesystem>
#include <stdexcept>

#include "errors/errors.h"
#include "files/text_lines.h"

namespace qoru::host {

ScratchArea::ScratchArea() {
  char pattern[] = "/tmp/qoru-inspect-XXXXXX";
  if (::mkdtemp(pattern) == nullptr)
    throw std::runtime_error("无法创建预检用的临时目录：" + SystemErrorText(errno));
  work_ = std::string(pattern) + "/";
  std::filesystem::create_directories(work_ + "TemplateTemp");
  std::filesystem::create_directories(work_ + "DataBase");
  LineWriter empty(work_ + "DataBase/empty.mdb");
  empty.Close();
}

ScratchArea::~ScratchArea() {
  std::error_code ignored;
  std::filesystem::remove_all(work_, ignored);
}

}  // namespace qoru::host
