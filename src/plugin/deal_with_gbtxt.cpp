#include "plugin/deal_with_gbtxt.h"

#include <algorithm>
#include <exception>
#include <optional>

#include <fmt/format.h>

#include "auxiliary/aux_columns.h"
#include "auxiliary/aux_info_tables.h"
#include "auxiliary/spread_import.h"
#include "database/chart_completion.h"
#include "database/engine/engine_error.h"
#include "database/staging_database.h"
#include "errors/errors.h"
#include "files/file_system.h"
#include "files/path_text.h"
#include "host/host_log.h"
#include "host/trace.h"
#include "staging/format_description.h"
#include "staging/source_staging.h"
#include "staging/table_names.h"
#include "staging/table_text.h"
#include "text/gbk_codec.h"
#include "text/gbk_text.h"

namespace qoru {
namespace {

// The note on an imported text whose bytes did not all decode. It names the source
// file and its line: the staged text has the header lines of every section that names
// the file on top of the source's lines (HeaderLinesOf).

std::string ReplacedTextNotice(const db::Connection::ReplacedText& text,
                               const StringList& header_map) {
  const std::uint64_t headers = HeaderLinesOf(text.file, header_map);
  const std::string where = text.first_line > headers
                                ? fmt::format("第一处在第 {} 行", text.first_line - headers)
                                : std::string("第一处在格式说明 GSSM.txt 给它的列名中");
  return fmt::format("源文件 {} 中有 {} 处字节不是有效的 GB 18030 字符（{}），已替换为“\uFFFD”",
                     GbkToUtf8(text.file), text.count, where);
}

}  // namespace

const std::string& TForm_DealWithVAROZ::Caption() {
  static const std::string caption = Gbk("账套文本数据预处理");
  return caption;
}

TForm_DealWithVAROZ::TForm_DealWithVAROZ(Face& face)
    : CurADOQuery(CurAdoConnection, "CurADOQuery"),
      tmpQuery(CurAdoConnection, "tmpQuery"),
      face_(face),
      runner_(CurAdoConnection, CurADOQuery, tmpQuery) {
  RzPanel2 = {0, 0, 336, 33};
  RzPanel1 = {0, 33, 336, 56};
  RzLabel1 = Gbk("正在拷贝数据，请稍候……");
  CurAdoConnection.SetExclusive(true);  // GBA.mdb is the run's alone while it runs
  RzProgressBar1.set_listener([this](const ProgressBar& bar) { face_.ProgressChanged(bar); });
}

TForm_DealWithVAROZ::~TForm_DealWithVAROZ() {
  // Destroying the dialog closes its connection; posted rows are committed.
  try {
    tmpQuery.Close();
    CurADOQuery.Close();
    CurAdoConnection.Release();
  } catch (const std::exception&) {
  }
}

void TForm_DealWithVAROZ::SetState(DialogState state) {
  state_ = state;
  face_.StateChanged(state);
}

void TForm_DealWithVAROZ::SetStatus(const std::string& text_gbk) {
  if (text_gbk == RzLabel1) return;
  RzLabel1 = text_gbk;
  face_.StatusChanged(RzLabel1);
  if (Tracing(kTraceStatus)) Trace(kTraceStatus, GbkToUtf8(RzLabel1));
}

void TForm_DealWithVAROZ::Notice(const std::string& message) {
  last_notice_ = message;
  face_.Notice(message);
  Trace(kTraceNotice, message);
}

void TForm_DealWithVAROZ::Yield() {
  if (face_.ProcessMessages()) Close();
}

int TForm_DealWithVAROZ::ShowModal() {
  modal_result_ = mrNone;
  failure_reason_.clear();
  refused_ = false;
  face_.Shown(Caption());
  face_.StatusChanged(RzLabel1);
  if (Tracing(kTraceStatus)) Trace(kTraceStatus, GbkToUtf8(RzLabel1));
  FormShow();
  SetState(DialogState::kWaiting);
  while (modal_result_ == mrNone) {
    switch (face_.WaitEvent(StratTimer.Enabled, StratTimer.Interval)) {
      case FaceEvent::kTimerTick:
        if (StratTimer.Enabled) DispatchTimer();
        break;
      case FaceEvent::kCloseRequest:
        if (state_ == DialogState::kWaiting) failure_reason_ = "转换开始前对话框已被关闭";
        Close();
        break;
      case FaceEvent::kNone:
        break;
    }
  }
  SetState(DialogState::kClosed);
  face_.Hidden();
  return modal_result_;
}

void TForm_DealWithVAROZ::FormShow() {
  StratTimer.Enabled = true;
}

void TForm_DealWithVAROZ::DispatchTimer() {
  std::string message;
  try {
    StratTimerTimer();
    return;
  } catch (const BookSetRefusal& e) {
    message = e.what();
    refused_ = true;
  } catch (const std::exception& e) {
    message = e.what();
  } catch (...) {
    message = "未知错误";
  }
  // The failure left the run: keep what was posted, show it, wait to be closed.
  try {
    CurAdoConnection.CommitWrites();
  } catch (const std::exception&) {
  }
  SetState(DialogState::kStalled);
  failure_reason_ = message;
  Trace(kTraceErrorBox, message);
  face_.ErrorBox(message);
}

void TForm_DealWithVAROZ::StratTimerTimer() {
  StratTimer.Enabled = false;
  SetState(DialogState::kRunning);
  modal_result_ = RunConversion() ? mrOk : mrCancel;
}

bool TForm_DealWithVAROZ::RunConversion() {
  bool result = false;
  if (work_lock_.Refuses(work_lock_.TryLockOrInherit(WorkDir), WorkDir, &failure_reason_)) {
    Notice(failure_reason_);
    return false;
  }
  // A source inside the work area would be emptied or overwritten by the staging.
  if (const std::string problem = SourceInWorkAreaProblem(SourceDir, WorkDir); !problem.empty())
    throw BookSetRefusal(problem);
  {
    StageTrace stage(kStageStaging);
    if (!StageSourceFiles()) {
      failure_reason_ = last_notice_.empty() ? "拷贝源文件失败" : last_notice_;
      return false;
    }
  }
  TableMap = std::make_unique<StringList>();
  HeaderMap = std::make_unique<StringList>();
  AuxItemNames = std::make_unique<StringList>();
  AuxArchiveFiles = std::make_unique<StringList>();
  {
    StageTrace stage(kStageDescription);
    ReadFormatDescription();
  }
  {
    StageTrace stage(kStageTableTexts);
    PrepareTableTexts();
  }
  std::optional<StageTrace> import_stage(std::in_place, kStageImport);
  ResultPath = db::CreateStagingDatabase(WorkDir);
  std::vector<db::HeldImport> held;
  std::size_t noticed = 0;  // replaced-character notes already given
  const auto notice_replaced = [&] {
    const auto& texts = CurAdoConnection.replaced_texts();
    for (; noticed < texts.size(); ++noticed)
      Notice(ReplacedTextNotice(texts[noticed], *HeaderMap));
  };
  // The pass over `table`, given the table's held import if the import stage held it
  // back; the entry leaves the held ones once the pass has returned.
  const auto spread = [&](const char* table) {
    auto it = std::find_if(held.begin(), held.end(), [&](const db::HeldImport& h) {
      return AsciiLower(h.import.table) == AsciiLower(table);
    });
    SpreadAuxiliaryColumns(runner_, *this, *AuxItemNames, table, it == held.end() ? nullptr : &*it);
    if (it != held.end()) held.erase(it);
  };
  try {
    held = db::ImportTables(runner_, WorkDir, ResultPath, *TableMap,
                            SpreadWhileImporting ? AuxPassHold(*TableMap, AccountsFile) : nullptr);
    import_stage.reset();
    notice_replaced();
    try {
      {
        StageTrace stage(kStageChart);
        db::ChartCodeRule rule = chart_code_rule_;
        rule.chart_text = WorkDir + "TemplateTemp/" + AccountsFile;
        rule.header_lines = HeaderLinesOf(AccountsFile, *HeaderMap);
        db::CompleteChartOfAccounts(runner_, *this, AccountsFile, rule);
      }
      {
        StageTrace stage(kStageVoucherPass);
        spread("JZPZ");
        notice_replaced();
      }
      {
        StageTrace stage(kStageBalancePass);
        spread("KMYE");
        notice_replaced();
      }
    } catch (...) {
      // The tables still held back are imported as the import stage would have left
      // them, whatever ended the run, the table of a pass that failed before it came to
      // the import included.
      for (const db::HeldImport& h : held) {
        if (h.tried) continue;
        try {
          db::ImportHeld(runner_, h);
        } catch (const std::exception&) {
        }
      }
      held.clear();
      notice_replaced();
      throw;
    }
    {
      StageTrace stage(kStageAuxTables);
      BuildAuxInfoTables(runner_, *this, *AuxItemNames, *AuxArchiveFiles);
    }
    result = true;
    try {
      StageTrace stage(kStageCommit);
      CurAdoConnection.Close();
    } catch (const db::EngineError&) {
      result = false;  // the last writes did not reach the database
      throw;
    }
  } catch (const db::EngineError& e) {
    import_stage.reset();
    try {
      CurAdoConnection.Close();
    } catch (const db::EngineError&) {
    }
    // Our sentence first: the engine's words alone ("cannot update row 2 ...") do not
    // tell a user what happened.
    const std::string reason = std::string("数据库出错，转换停止：") + e.what();
    WriteHostLog(3, reason);
    if (!result) failure_reason_ = reason;
  }
  return result;
}

std::string TForm_DealWithVAROZ::ListSourceFiles() {
  return qoru::ListSourceFiles(SourceDir);
}

bool TForm_DealWithVAROZ::StageSourceFiles() {
  staged_nuls_.clear();
  return qoru::StageSourceFiles(SourceDir, WorkDir, *this, &staged_nuls_);
}

bool TForm_DealWithVAROZ::ReadFormatDescription() {
  FormatDescription description;
  const bool ok = qoru::ReadFormatDescription(WorkDir, description);
  if (!ok && description.stopped_at_line == 0) {
    // The source folder named, and why nothing came from it. A "?" in it is a character
    // that the host's ANSI code page could not hold (no GBK character has "?" as a byte).
    const bool listed = IsDirectory(SourceDir);
    Notice(fmt::format(
        "找不到格式说明文件 TemplateTemp/GSSM.txt：源目录“{}”{}，没有可导入的表{}",
        PathText(SourceDir), listed ? "中没有 GSSM.txt" : "不存在或无法读取",
        !listed && SourceDir.find('?') != std::string::npos
            ? "。路径中的“?”是宿主程序的 ANSI 代码页无法表示的字符，请把目录改用中文或英文名称"
            : ""));
  } else if (!ok) {
    Notice(StoppedReadingMessage(description));
  }
  // A text that the run reads but that a NUL byte cut short, or a line of the
  // description that could name a table apart from its file, ends the run here,
  // before any table text is touched.
  RefuseCutTexts(staged_nuls_, description, SourceDir);
  CheckTableNames(description);
  for (const auto& e : description.table_map) TableMap->Add(e);
  for (const auto& e : description.header_map) HeaderMap->Add(e);
  for (const auto& e : description.aux_item_names) AuxItemNames->Add(e);
  for (const auto& e : description.aux_archive_files) AuxArchiveFiles->Add(e);
  if (description.accounts_file_set) AccountsFile = description.accounts_file;
  chart_code_rule_.declared_width = description.chart_code_width;
  chart_code_rule_.declared_at = description.chart_code_width_line;
  return ok;
}

void TForm_DealWithVAROZ::PrepareTableTexts() {
  qoru::PrepareTableTexts(WorkDir, *HeaderMap, *TableMap, SourceDir);
}

bool TForm_DealWithVAROZ::OpenQuery(const std::string& sql) {
  return runner_.OpenQuery(sql);
}
bool TForm_DealWithVAROZ::OpenLookup(const std::string& sql) {
  return runner_.OpenLookup(sql);
}
bool TForm_DealWithVAROZ::ExecuteStatement(const std::string& sql) {
  return runner_.ExecuteStatement(sql);
}

StringList TForm_DealWithVAROZ::SplitText(const std::string& text, const std::string& separator) {
  return qoru::SplitText(text, separator);
}

}  // namespace qoru
