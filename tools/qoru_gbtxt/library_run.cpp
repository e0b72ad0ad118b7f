#include "qoru_gbtxt/library_run.h"

#include <cstdio>
#include <string>

#include <fmt/format.h>

#include "faces/console.h"
#include "host/trace.h"
#include "process/plugin_library.h"
#include "process/program_entry.h"
#include "text/control_escape.h"
#include "text/display_width.h"
#include "text/gbk_codec.h"

namespace {

qoru::host::LibraryRun g_run;

}  // namespace

namespace qoru::host {

LibraryRun& CurrentRun() {
  return g_run;
}

// A message line on stderr. Beside a terminal face's status line it first clears
// that line, and it is broken into lines that fit the terminal, which never wraps them.
void PrintToUser(const std::string& message) {
  if (!g_run.clear_line) {
    qoru::ShowText(stderr, message + "\n");
    return;
  }
  std::fputs("\r\x1b[K", stderr);
  for (const std::string& line :
       qoru::TerminalLines(qoru::EscapeControls(message), qoru::console::StderrColumns()))
    qoru::ShowText(stderr, line + "\n");
}

bool ConvertInProcess(const std::string& work, const std::string& source, std::string* why,
                      std::vector<std::string>* stages) {
  g_run.stages.clear();
  qoru::process::PluginLibrary library;
  if (!library.Load(why)) return false;
  if (library.DoIt(0, work, source) != u"0") return true;
  *why = g_run.outcome_reason.empty() ? "转换未成功" : g_run.outcome_reason;
  *stages = g_run.stages;
  return false;
}

}  // namespace qoru::host

// The host's log, found by the library in this process.
extern "C" QORU_HOST_EXPORT void QORU_HOST_CALL WriteLog(void* /*instance*/, int level,
                                                         const char16_t* message) {
  if (g_run.quiet_log) return;
  const std::string text = qoru::Utf16ToUtf8(message ? message : u"");
  const std::string word = qoru::book_sets::LevelWord(level);
  qoru::host::PrintToUser(word + "：" + text);
  g_run.log.Write("日志（" + word + "）", text);
}

// The library's trace hook: what the user saw beside the log goes to qoru.log too.
extern "C" QORU_HOST_EXPORT int QoruTrace(int kind, const char* text, double seconds) {
  const std::string message = text != nullptr ? text : "";
  switch (kind) {
    case qoru::kTraceHello:
      return 1 << qoru::kTraceStatus | 1 << qoru::kTraceNotice | 1 << qoru::kTraceErrorBox |
             1 << qoru::kTraceOutcome | 1 << qoru::kTraceRejected | 1 << qoru::kTraceStage |
             1 << qoru::kTraceRefused | (g_run.verbose ? 1 << qoru::kTraceStatement : 0);
    case qoru::kTraceStatement:
      qoru::host::PrintToUser(fmt::format("语句（{:.3f} 秒）：{}", seconds, message));
      break;
    case qoru::kTraceRejected: {
      const std::size_t cut = message.find('\n');
      g_run.summary.AddRejected(message.substr(0, cut),
                                cut == std::string::npos ? std::string() : message.substr(cut + 1));
      break;
    }
    case qoru::kTraceStage:
      g_run.summary.AddStage(message, seconds);
      g_run.stages.push_back(message);
      break;
    case qoru::kTraceStatus:
      g_run.log.Write("状态", message);
      break;
    case qoru::kTraceNotice:
      g_run.log.Write("提示", message);
      break;
    case qoru::kTraceErrorBox:
      g_run.log.Write("错误框", message);
      break;
    case qoru::kTraceOutcome:
      if (message.rfind("0\n", 0) == 0) g_run.outcome_reason = message.substr(2);
      break;
    case qoru::kTraceRefused:
      g_run.refused = true;
      break;
    default:
      break;
  }
  return 0;
}
