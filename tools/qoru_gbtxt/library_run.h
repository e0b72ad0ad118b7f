// The library's run as the command-line host sees it: what the library's log (WriteLog)
// and its trace hook (QoruTrace), both defined in library_run.cpp and found by the library
// in this process, said during a call of DoIt: shown to the user, kept in qoru.log and in
// the run's summary. One call at a time. WriteLog and QoruTrace are exported with
// QORU_HOST_EXPORT and QORU_HOST_CALL, which the build defines (stdcall and dllexport on
// Windows).
#pragma once

#include <string>
#include <vector>

#include "book_sets/run_log.h"
#include "inspection/run_summary.h"

namespace qoru::host {

struct LibraryRun {
  book_sets::RunLog log;            // qoru.log of the current run
  inspection::RunSummary summary;   // what the current run did
  bool clear_line = false;          // a terminal face may have a status line on stderr
  bool verbose = false;             // print every statement with its time
  bool quiet_log = false;           // the library's log is not shown (inspection)
  std::string outcome_reason;       // why the run did not succeed, from the trace hook
  std::vector<std::string> stages;  // the stages the run went through, from the trace hook
  bool refused = false;             // the run refused the book set (exit 2), from the hook
};

// The run of this process.
LibraryRun& CurrentRun();

// A message line on stderr. Beside a terminal face's status line it first clears
// that line, and it is broken into lines that fit the terminal, which never wraps them.
void PrintToUser(const std::string& message);

// Check, screen and sample convert a book set given by its source through the library in
// this process, without a window (book_sets::Converter); the reason of a failed
// conversion is the host log's, its stages the trace hook's.
bool ConvertInProcess(const std::string& work, const std::string& source, std::string* why,
                      std::vector<std::string>* stages);

}  // namespace qoru::host
