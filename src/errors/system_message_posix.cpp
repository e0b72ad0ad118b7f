// The C library's text of an error number (GNU strerror_r, safe on any thread).
#include <cstring>

#include "errors/errors.h"

namespace qoru {

std::string SystemMessage(int err) {
  char buf[256];
  return std::string(strerror_r(err, buf, sizeof buf));
}

}  // namespace qoru
