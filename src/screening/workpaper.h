// The Excel workpaper of a screening run (libxlsxwriter, constant-memory mode): a sheet
// 概览 that documents the run, one sheet per test with items listing every flagged
// posting (continued on further sheets past Excel's row limit), and a sheet 本福特 with
// the digit tables and a column chart. Texts are always written as strings, never as
// formulas. The file is written beside the target under a temporary name and renamed
// into place only when complete.
#pragma once

#include <string>

#include "errors/errors.h"
#include "screening/screen_book.h"
#include "screening/screen_report.h"
#include "workbook/workbook.h"

namespace qoru::screening {

// The workpaper could not be written; the message names the file and the cause.
using WorkpaperError = workbook::WorkbookError;

struct WorkpaperInfo {
  std::string version;  // the program's
  std::string started;  // the time of the run, "2026-12-08 22:40:00"
};

// Writes the workpaper to `path`, replacing a file of that name. Returns whether a file
// was replaced. Raises WorkpaperError, leaving no partial file and any earlier one as it
// was.
bool WriteWorkpaper(const std::string& path, const ScreenBook& book, const ScreenReport& report,
                    const WorkpaperInfo& info);

// Rows of a test sheet below its header (Excel's limit less one); tests may lower it.
extern std::size_t g_workpaper_rows_per_sheet;

}  // namespace qoru::screening
