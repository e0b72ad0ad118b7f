// TForm_DealWithVAROZ, the conversion dialog: a model of the dialog's components and
// fields, its modal phase, and the run RunConversion with its stages in order:
//   staging -> format description -> table texts -> staging database and import ->
//   chart of accounts -> auxiliary columns -> auxiliary information tables.
// A face (faces/face.h) shows it. Engine errors in the guarded part of the run are
// logged and end the run unsuccessfully; any other failure leaves the run, is shown in
// the face's error box, and leaves the dialog Stalled until it is closed. A run into a
// work area that another conversion holds (work_area_lock.h) ends at once, before it
// touches anything, with the result False and a note that says so.
#pragma once

#include <memory>
#include <string>

#include "database/chart_completion.h"
#include "database/query/connection.h"
#include "database/query/query.h"
#include "database/query/statement_runner.h"
#include "faces/face.h"
#include "faces/progress_bar.h"
#include "faces/stage_host.h"
#include "files/work_area_lock.h"
#include "staging/source_staging.h"
#include "text/string_list.h"

namespace qoru {

enum ModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2 };

// Components without behaviour of their own here: they exist so that the dialog has
// the parts its layout names.
struct TPanel {
  int Left = 0, Top = 0, Width = 0, Height = 0;
};
struct TImage {
  bool Stretch = true;
};
struct TTimer {
  bool Enabled = false;
  int Interval = 1000;
};
struct TListBox {
  bool Visible = false;
  StringList Items;  // unused: staging streams its files instead of buffering lines here
};

class TForm_DealWithVAROZ : public StageHost {
 public:
  explicit TForm_DealWithVAROZ(Face& face);
  ~TForm_DealWithVAROZ() override;

  // Components, in declaration order.
  TPanel RzPanel1;
  db::Connection CurAdoConnection;
  db::Query CurADOQuery;
  TPanel RzPanel2;
  TImage Image_log;
  TTimer StratTimer;
  ProgressBar RzProgressBar1;
  std::string RzLabel1;  // the status line's caption (GBK)
  db::Query tmpQuery;
  TListBox ListBox1;

  // Fields. The four lists are created by each run once staging has succeeded.
  std::unique_ptr<StringList> TableMap;
  std::unique_ptr<StringList> HeaderMap;
  std::unique_ptr<StringList> AuxItemNames;
  std::unique_ptr<StringList> AuxArchiveFiles;
  std::string SourceDir;     // GBK, no trailing "/"
  std::string WorkDir;       // GBK, ends with "/"
  std::string ResultPath;    // GBK
  std::string AccountsFile;  // GBK
  // True: the voucher and balance tables are spread while they are imported, each row
  // written once; false: imported first and walked through the queries, as tables kept
  // from an earlier run are. Both leave the same database; the second is for comparing.
  bool SpreadWhileImporting = true;

  static const std::string& Caption();  // "账套文本数据预处理" (GBK)

  // The modal phase: shows the dialog, runs its loop until a modal result is set.
  int ShowModal();
  void FormShow();
  void StratTimerTimer();
  bool RunConversion();

  // The stages that are operations of the dialog.
  std::string ListSourceFiles();
  bool StageSourceFiles();
  bool ReadFormatDescription();
  void PrepareTableTexts();
  bool OpenQuery(const std::string& sql);
  bool OpenLookup(const std::string& sql);
  bool ExecuteStatement(const std::string& sql);
  StringList SplitText(const std::string& text, const std::string& separator);

  // StageHost.
  ProgressBar& Progress() override { return RzProgressBar1; }
  void SetStatus(const std::string& text_gbk) override;
  void Yield() override;
  void Notice(const std::string& message) override;

  DialogState State() const { return state_; }
  int GetModalResult() const { return modal_result_; }
  // A close request from the user (close box, Alt+F4): sets the modal result to Cancel.
  void Close() { modal_result_ = mrCancel; }

  // Why the last modal phase did not end with OK, for the user (UTF-8): the failure
  // that left the run, the engine's message, why staging stopped, or a close before
  // the run. Empty after a successful run.
  const std::string& FailureReason() const { return failure_reason_; }
  // Whether the last run refused the book set's text (BookSetRefusal) before it wrote
  // anything to the database; FailureReason() says why.
  bool Refused() const { return refused_; }

 private:
  void SetState(DialogState state);
  void DispatchTimer();

  Face& face_;
  db::StatementRunner runner_;
  WorkAreaLock work_lock_;  // the work area, from the start of a run until the dialog ends
  db::ChartCodeRule chart_code_rule_;  // the chart's declared code width, from the description
  StagedNulBytes staged_nuls_;         // where staging met NUL bytes, for RefuseCutTexts
  DialogState state_ = DialogState::kCreated;
  int modal_result_ = mrNone;
  std::string last_notice_;     // the last note beside the dialog (UTF-8)
  std::string failure_reason_;  // see FailureReason()
  bool refused_ = false;        // see Refused()
};

}  // namespace qoru
