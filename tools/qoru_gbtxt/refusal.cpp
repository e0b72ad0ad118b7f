#include "qoru_gbtxt/refusal.h"

#include <cstdio>

namespace qoru::host {

int Refuse(const std::string& message) {
  std::fprintf(stderr, "qoru-gbtxt：%s\n", message.c_str());
  return kExitUsage;
}

}  // namespace qoru::host
