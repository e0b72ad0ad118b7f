#include "qoru_gbtxt/scratch_area.h"

#include "errors/errors.h"
#include "qoru_gbtxt/work_area.h"

namespace qoru::host {

ScratchArea::ScratchArea(const char* purpose) {
  try {
    folder_.emplace(purpose);
  } catch (const FileError& e) {
    throw ScratchAreaError(e.what());
  }
  work_ = folder_->path() + "/";
  if (const std::string problem = PrepareWorkArea(work_, false); !problem.empty())
    throw ScratchAreaError(problem);
}

}  // namespace qoru::host
