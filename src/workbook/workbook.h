// An Excel workbook as the workpapers write it (libxlsxwriter, constant-memory mode): the
// shared formats (money, date, bold, share), cells written as strings (never formulas,
// malformed UTF-8 mended), numbers and dates; and WriteWorkbook, which writes a workbook
// beside its target under a temporary name and renames it into place only when complete,
// so that a failed run leaves no partial file and any earlier one as it was.
#pragma once

#include <xlsxwriter.h>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "errors/errors.h"

namespace qoru::workbook {

// The workbook could not be written; the message names the file and the cause.
class WorkbookError : public Failure {
 public:
  using Failure::Failure;
};

class Workbook {
 public:
  // Opens a new workbook at `path`; `target` is the name the user gave, as UTF-8 text for
  // messages.
  Workbook(const std::string& path, const std::string& target);
  ~Workbook();
  Workbook(const Workbook&) = delete;
  Workbook& operator=(const Workbook&) = delete;

  // Writes the file out; raises WorkbookError when that fails.
  void Close();
  // A new sheet named `name` (at most 31 characters, none of []:*?/\).
  lxw_worksheet* Sheet(const std::string& name);

  // Writes nothing for an empty text.
  void Text(lxw_worksheet* s, std::size_t row, int col, const std::string& text,
            lxw_format* f = nullptr);
  void Text(lxw_worksheet* s, std::size_t row, int col, std::string_view text,
            lxw_format* f = nullptr);
  void Text(lxw_worksheet* s, std::size_t row, int col, const char* text, lxw_format* f = nullptr);
  void Number(lxw_worksheet* s, std::size_t row, int col, double v, lxw_format* f = nullptr);
  // A date given as yyyymmdd: nothing for 0, a text "yyyy-mm-dd" before 1900.
  void Date(lxw_worksheet* s, std::size_t row, int col, int yyyymmdd);

  lxw_workbook* workbook() { return workbook_; }
  lxw_format* money() { return money_; }
  lxw_format* bold() { return bold_; }
  lxw_format* share() { return share_; }

 private:
  std::string target_;
  lxw_workbook* workbook_ = nullptr;
  lxw_format *money_, *date_, *bold_, *share_;
};

// Writes a workbook to `path` through `write`, replacing a file of that name. Returns
// whether a file was replaced. Raises WorkbookError (a directory at `path`, a folder
// that cannot be written), leaving no partial file and any earlier one as it was;
// whatever `write` raises passes through after the temporary file is removed.
bool WriteWorkbook(const std::string& path, const std::function<void(Workbook&)>& write);

// `name` made a valid sheet name: the characters []:*?/\ that Excel forbids written as
// their full-width forms (／ for /), cut to 31 characters as Excel counts them (UTF-16
// units), never inside a character.
std::string SheetName(std::string_view name);

// Why a workbook cannot be written at `path` (a directory there, its folder missing or
// not writable: a probe file is made and removed), or empty; for a check before a run.
std::string TargetProblem(const std::string& path);

}  // namespace qoru::workbook
