// The library's trace hook (QoruTrace) for tests: this test binary exports it, and a
// test that wants to act at a moment of a run in this process (after a given
// statement, when a stage ends) installs a callback for the kinds it names. Without
// one, the hook asks for nothing and the run traces nothing.
#pragma once

#include <functional>
#include <string>

namespace qoru::test {

using TraceCallback = std::function<void(int kind, const std::string& text)>;

// Installs `callback` for the kinds in `kinds` (bit 1 << kind each) while it lives.
class TraceCapture {
 public:
  TraceCapture(int kinds, TraceCallback callback);
  ~TraceCapture();
  TraceCapture(const TraceCapture&) = delete;
  TraceCapture& operator=(const TraceCapture&) = delete;
};

}  // namespace qoru::test
