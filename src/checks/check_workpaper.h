// The Excel workpaper of a book set's checks: a sheet 概览 with the book set, the
// checks run and those skipped with their reasons and the counts, then one sheet per
// check with listed findings (named by the check's Chinese title), one row per finding:
// severity, place, the account, month and voucher it concerns, its amounts as numbers
// in a money format, and the message of the text report; the cover ends with where the
// data came from (provenance.h). Every sheet prints on A4 landscape, one page wide, its
// header row repeated. Written the safe way of workbook.h: a temporary file beside the
// target, renamed into place when complete, never over a file unless told to.
#pragma once

#include <cstddef>
#include <string>

#include "checks/check_report.h"
#include "provenance/provenance.h"

namespace qoru::checks {

// What the overview says about the run beside the report.
struct CheckWorkpaperInfo {
  std::string book_set;               // the book set's name
  std::string source;                 // the book set's folder (--source), or empty
  std::string database;               // the database checked
  std::string description;            // its format description
  std::string problem;                // a failed conversion or a book set with nothing to check
  provenance::Provenance provenance;  // the files read, the program, the run
};

// Writes the workpaper to `path`. An existing file is replaced only with `overwrite`,
// never a read-only one; returns whether one was replaced. Raises
// workbook::WorkbookError, leaving no partial file.
bool WriteCheckWorkpaper(const std::string& path, const CheckReport& report,
                         const CheckWorkpaperInfo& info, bool overwrite = false);

// Rows of a check's sheet below its header (Excel's limit less one): past it the
// findings go on on a sheet "名称（2）"; tests may lower it.
extern std::size_t g_check_rows_per_sheet;

// The sheet of a check in the workpaper: its Chinese title made a valid sheet name.
std::string CheckSheetName(CheckId id);

}  // namespace qoru::checks
