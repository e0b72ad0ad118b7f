#include "book_sets/scratch_area.h"

#include "book_sets/work_area.h"
#include "errors/errors.h"
#include "faces/console.h"
#include "files/path_text.h"
#include "text/control_escape.h"

namespace qoru::book_sets {

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

std::string ScratchForSource(std::string& source, const char* purpose,
                             std::optional<ScratchArea>& area) {
  while (source.size() > 1 && source.back() == '/') source.pop_back();
  if (std::string problem = CheckSource(source); !problem.empty()) return problem;
  try {
    area.emplace(purpose);
  } catch (const ScratchAreaError& e) {
    return e.what();
  }
  if (console::StderrIsTerminal())
    ShowText(stderr, "正在把账套转换到临时目录 " + PathText(area->work()) + "……\n");
  return {};
}

}  // namespace qoru::book_sets
