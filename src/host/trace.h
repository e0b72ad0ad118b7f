// The library's trace hook: a host that wants to follow a run more closely than its
// WriteLog allows exports, with C linkage,
//   int QoruTrace(int kind, const char* text_utf8, double seconds);
// and the library finds it in the process (like WriteLog) when a call of DoIt begins.
// The library first calls it with kTraceHello and the library's version as text; the
// host answers with the set of kinds it wants (bit 1 << kind for each). Nothing of the
// hook's answers changes what the run does; without the hook, tracing costs nothing.
//
// WriteLog keeps receiving exactly its own messages; the trace hook is an addition.
#pragma once

#include <chrono>
#include <string_view>

namespace qoru {

enum TraceKind : int {
  kTraceHello = 0,      // text: the library's version; the answer selects the kinds
  kTraceStatus = 1,     // the status line changed; text: the new status
  kTraceNotice = 2,     // a note beside the dialog
  kTraceErrorBox = 3,   // a failure left the run; text: the error box's message
  kTraceOutcome = 4,    // the call ends; text: the path of GBA.mdb, or "0" + "\n" + reason
  kTraceStatement = 5,  // a statement ran; text: the statement, seconds: its time
  kTraceRejected = 6,   // the engine rejected a statement; text: statement "\n" message
  kTraceStage = 7,      // a stage of the run ended; text: its name, seconds: its time
  kTraceRefused = 8,    // the run refused the book set before it wrote to the database
                        // (a name that cannot be a table, a NUL byte ...); text: why.
                        // The outcome ("0") follows.
};

// The stages of a run in their order, by the names that kTraceStage reports; whoever
// reads a run by its stages (the host's summary, the inspection's steps, a command that
// goes on after a failed conversion) names them through these.
inline constexpr const char* kStageStaging = "拷贝源文件";
inline constexpr const char* kStageDescription = "读取格式说明";
inline constexpr const char* kStageTableTexts = "改写表文本";
inline constexpr const char* kStageImport = "导入";  // creates GBA.mdb
inline constexpr const char* kStageChart = "补全会计科目";
inline constexpr const char* kStageVoucherPass = "凭证辅助核算";
inline constexpr const char* kStageBalancePass = "余额辅助核算";
inline constexpr const char* kStageAuxTables = "辅助信息表";
inline constexpr const char* kStageCommit = "提交并断开连接";

// Looks the hook up in the process and asks it which kinds it wants; call once at the
// start of a DoIt call. Without a hook every kind is off.
void BeginTrace();
// Forgets the hook at the end of the call.
void EndTrace();

// True when the host wants `kind`; cheap enough for every row.
bool Tracing(TraceKind kind);

// Hands one event to the host when it wants the kind.
void Trace(TraceKind kind, std::string_view text_utf8, double seconds = 0);

// Times a stage of the run from its construction to its destruction and reports it as
// kTraceStage, also when a failure ends the stage early.
class StageTrace {
 public:
  explicit StageTrace(const char* name_utf8);
  ~StageTrace();
  StageTrace(const StageTrace&) = delete;
  StageTrace& operator=(const StageTrace&) = delete;

 private:
  const char* name_;
  std::chrono::steady_clock::time_point start_;
};

}  // namespace qoru
