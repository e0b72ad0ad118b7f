#include "host/trace.h"

#include <string>

#include "host/host_process.h"

namespace qoru {
namespace {

using TraceFn = int (*)(int, const char*, double);

TraceFn g_hook = nullptr;  // the host's QoruTrace during a call, else null
int g_wanted = 0;          // bit 1 << kind for each kind the host wants

}  // namespace

void BeginTrace() {
  g_hook = reinterpret_cast<TraceFn>(FindHostFunction("QoruTrace"));
  g_wanted = g_hook != nullptr ? g_hook(kTraceHello, QORU_VERSION, 0) : 0;
  if (g_wanted == 0) g_hook = nullptr;
}

void EndTrace() {
  g_hook = nullptr;
  g_wanted = 0;
}

bool Tracing(TraceKind kind) {
  return (g_wanted & (1 << kind)) != 0;
}

void Trace(TraceKind kind, std::string_view text_utf8, double seconds) {
  if (!Tracing(kind)) return;
  const std::string text(text_utf8);  // NUL-terminated for the host
  g_hook(kind, text.c_str(), seconds);
}

StageTrace::StageTrace(const char* name_utf8)
    : name_(name_utf8), start_(std::chrono::steady_clock::now()) {}

StageTrace::~StageTrace() {
  if (!Tracing(kTraceStage)) return;
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start_;
  Trace(kTraceStage, name_, took.count());
}

}  // namespace qoru
