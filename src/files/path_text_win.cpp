// A path as text on Windows: the GBK the program holds its paths in, as UTF-8.
#include "files/path_text.h"

#include "text/gbk_codec.h"

namespace qoru {

std::string PathText(std::string_view path) {
  return GbkToUtf8(path);
}

std::string PathFromText(const std::string& text) {
  return Utf8ToGbk(text);
}

}  // namespace qoru
