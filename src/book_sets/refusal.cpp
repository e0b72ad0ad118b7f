#include "book_sets/refusal.h"

#include <cstdio>

#include "text/control_escape.h"

namespace qoru::book_sets {

int Refuse(const std::string& message) {
  ShowText(stderr, "qoru-gbtxt：" + message + "\n");
  return kExitUsage;
}

}  // namespace qoru::book_sets
