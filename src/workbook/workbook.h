// An Excel workbook as the workpapers write it (libxlsxwriter, constant-memory mode): the
// shared formats (money, date, bold, share), cells written as strings (never formulas,
// malformed UTF-8 mended), numbers and dates; every sheet set up to print (landscape
// A4, one page wide, a header with the workpaper's title and the sheet, a footer "第 N
// 页，共 M 页"), its columns as wide as what was written into them. Every call of the
// library is checked: a cell that cannot be written ends the workbook with
// WorkbookError, never an empty cell. A text longer than a cell holds (32,767
// characters) is cut to fit and says so, "…（已截断，全文 N 字）", and counted. The
// writer's own files (the sheets before they are packed) go to a temporary folder of
// the workbook's (files/temporary_folder.h).
//
// WriteWorkbook writes a workbook beside its target under a temporary name and renames
// it into place only when complete, so that a failed or interrupted run leaves no
// partial file and any earlier one as it was; it never replaces a file unless told to,
// and never a read-only one.
#pragma once

#include <xlsxwriter.h>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "errors/errors.h"
#include "files/temporary_folder.h"

namespace qoru::workbook {

// The workbook could not be written; the message names the file and the cause.
class WorkbookError : public Failure {
 public:
  using Failure::Failure;
};

// The most characters (UTF-16 units, as Excel counts them) a cell holds.
inline constexpr std::size_t kCellCharacters = 32767;

// `text` cut to fit a cell with the marker "…（已截断，全文 N 字）" (N its characters), or
// unchanged when it fits; `cut` tells which.
std::string FitCell(std::string_view text, bool* cut);

class Workbook {
 public:
  // Opens a new workbook at `path`; `target` is the name the user gave, as UTF-8 text for
  // messages; `title` heads every printed page (the book set).
  Workbook(const std::string& path, const std::string& target, std::string title = {});
  ~Workbook();
  Workbook(const Workbook&) = delete;
  Workbook& operator=(const Workbook&) = delete;

  // Writes the file out; raises WorkbookError when that fails.
  void Close();
  // A new sheet named `name` (at most 31 characters, none of []:*?/\), set up to print.
  lxw_worksheet* Sheet(const std::string& name);
  void set_title(std::string title) { title_ = std::move(title); }

  // Writes nothing for an empty text.
  void Text(lxw_worksheet* s, std::size_t row, int col, const std::string& text,
            lxw_format* f = nullptr);
  void Text(lxw_worksheet* s, std::size_t row, int col, std::string_view text,
            lxw_format* f = nullptr);
  void Text(lxw_worksheet* s, std::size_t row, int col, const char* text, lxw_format* f = nullptr);
  void Number(lxw_worksheet* s, std::size_t row, int col, double v, lxw_format* f = nullptr);
  // An amount in the money format.
  void Money(lxw_worksheet* s, std::size_t row, int col, double v) {
    Number(s, row, col, v, money_);
  }
  // A date given as yyyymmdd: nothing for 0, a text "yyyy-mm-dd" before 1900.
  void Date(lxw_worksheet* s, std::size_t row, int col, int yyyymmdd);
  // A number when `text` is all ASCII digits without a leading zero ("0" itself aside)
  // and at most 15 of them, so that it sorts as a number; else the text.
  void Digits(lxw_worksheet* s, std::size_t row, int col, std::string_view text);

  // Sets columns first..last of `s` to `width` characters.
  void Width(lxw_worksheet* s, int first, int last, double width);
  // Sets every column of `s` to the widest content written into it (in display
  // columns, a header in bold counted a little wider), kept between `minimum` and
  // `maximum`; a column with its width set by Width keeps it.
  void FitColumns(lxw_worksheet* s, double minimum, double maximum);
  // The first row frozen, repeated on every printed page, and filtered over rows
  // 0..last_row of columns 0..last_col.
  void HeaderRow(lxw_worksheet* s, std::size_t last_row, int last_col);
  // Printed pages begin at each of `rows`.
  void PageBreaks(lxw_worksheet* s, std::vector<lxw_row_t> rows);
  // Raises WorkbookError naming the workpaper when `e` is an error; `what` says what
  // was being written.
  void Check(lxw_error e, std::string_view what) const;
  // Raises WorkbookError when `made` (an object the library made) is null.
  template <typename T>
  T* Made(T* made, std::string_view what) const {
    if (!made) Check(LXW_ERROR_MEMORY_MALLOC_FAILED, what);
    return made;
  }

  // The cells whose text was cut to fit.
  std::size_t cut_cells() const { return cut_cells_; }
  const std::string& target() const { return target_; }

  lxw_workbook* workbook() { return workbook_; }
  lxw_format* money() { return money_; }
  lxw_format* bold() { return bold_; }
  lxw_format* share() { return share_; }

 private:
  void Cell(lxw_worksheet* s, int col, double columns);
  void WriteString(lxw_worksheet* s, std::size_t row, int col, const char* text, lxw_format* f);
  std::string Where(lxw_worksheet* s, std::size_t row, int col) const;

  std::string target_, title_;
  TemporaryFolder scratch_{"xlsx"};  // the writer's own files
  lxw_workbook* workbook_ = nullptr;
  lxw_format *money_, *date_, *bold_, *share_;
  std::size_t cut_cells_ = 0;
  // The widest content of each column, by sheet; a width below 0 was set by Width.
  std::unordered_map<lxw_worksheet*, std::vector<double>> widths_;
  lxw_worksheet* last_sheet_ = nullptr;
  std::vector<double>* last_widths_ = nullptr;
  std::unordered_map<lxw_worksheet*, std::string> names_;
};

// Writes a workbook to `path` through `write`. An existing file there is replaced only
// with `overwrite`, and never when it is read-only; returns whether one was replaced.
// Raises WorkbookError (a file that may not be replaced, a directory at `path`, a
// folder that cannot be written), leaving no partial file and any earlier one as it
// was; whatever `write` raises passes through after the temporary file is removed.
bool WriteWorkbook(const std::string& path, const std::function<void(Workbook&)>& write,
                   bool overwrite = false, const std::string& title = {});

// `name` made a valid sheet name: the characters []:*?/\ that Excel forbids written as
// their full-width forms (／ for /), cut to 31 characters as Excel counts them (UTF-16
// units), never inside a character.
std::string SheetName(std::string_view name);

// Why a workbook cannot be written at `path`, or empty; for a check of every target
// before a run. `option` names the option that replaces a file ("--overwrite"): a file
// there is a reason unless `overwrite`, and a read-only file always; so are a directory
// there and a folder that is missing or cannot be written (a probe file is made and
// removed).
std::string TargetProblem(const std::string& path, bool overwrite,
                          std::string_view option = "--overwrite");

}  // namespace qoru::workbook
