// The C runtime's text of an error number (strerror_s, safe on any thread).
#include <cstring>

#include "errors/errors.h"

namespace qoru {

std::string SystemMessage(int err) {
  char buf[256];
  if (strerror_s(buf, sizeof buf, err) != 0) return "错误 " + std::to_string(err);
  return std::string(buf);
}

}  // namespace qoru
