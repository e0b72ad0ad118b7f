// A path as text on Windows: the GBK the program holds its paths in, as UTF-8.
#include "files/path_text.h"

#include "text/gbk_codec.h"

namespace qoru {

std::string PathText(std::string_view path) {
  return GbkToUtf8(path);
}

}  // namespace qoru
