#include "qoru_gbtxt/refusal.h"

#include <cstdio>

#include "text/control_escape.h"

namespace qoru::host {

int Refuse(const std::string& message) {
  ShowText(stderr, "qoru-gbtxt：" + message + "\n");
  return kExitUsage;
}

}  // namespace qoru::host
