#include "test_support/trace_capture.h"

#include <utility>

namespace qoru::test {
namespace {

struct Installed {
  int kinds = 0;
  TraceCallback callback;
};

Installed& Current() {
  static Installed installed;
  return installed;
}

}  // namespace

TraceCapture::TraceCapture(int kinds, TraceCallback callback) {
  Current() = {kinds, std::move(callback)};
}

TraceCapture::~TraceCapture() {
  Current() = {};
}

}  // namespace qoru::test

extern "C" QORU_HOST_EXPORT int QoruTrace(int kind, const char* text, double /*seconds*/) {
  const auto& current = qoru::test::Current();
  if (kind == 0) return current.kinds;  // the library's hello: the kinds wanted
  if (current.callback) current.callback(kind, text != nullptr ? text : "");
  return 0;
}
