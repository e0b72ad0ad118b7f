// A path as text on Linux: its bytes, which the file system keeps as UTF-8.
#include "files/path_text.h"

#include "text/utf8.h"

namespace qoru {

std::string PathText(std::string_view path) {
  return ValidUtf8(path);
}

std::string PathFromText(const std::string& text) {
  return text;
}

}  // namespace qoru
