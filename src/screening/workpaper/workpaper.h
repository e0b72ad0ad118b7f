// The Excel workpaper of a screening run (libxlsxwriter, constant-memory mode), a
// document an auditor files: a cover 概览 (the population reconciled, the tie-out to
// the balance table, every test with its unit, items and amount, where the data came
// from), a sheet 完整性核对 with every difference of the tie-out, one sheet per test
// (its flagged postings, continued on further sheets past Excel's row limit; or 未发现
// 符合条件的项目 with its parameters; or 跳过 with the reason), and a sheet 本福特 with
// the digit tables and their charts. Every sheet prints on A4 landscape, one page wide,
// its header row repeated. Texts are always written as strings, never as formulas. The
// file is written beside the target under a temporary name and renamed into place only
// when complete.
#pragma once

#include <string>

#include "errors/errors.h"
#include "provenance/provenance.h"
#include "screening/screen_book.h"
#include "screening/screen_report.h"
#include "workbook/workbook.h"

namespace qoru::screening {

// The workpaper could not be written; the message names the file and the cause.
using WorkpaperError = workbook::WorkbookError;

struct WorkpaperInfo {
  provenance::Provenance provenance;  // the files read, the program, the run
  std::string note;                   // what a reader must know of the run, or empty
};

// Writes the workpaper to `path`. An existing file is replaced only with `overwrite`,
// never a read-only one; returns whether one was replaced. Raises WorkpaperError,
// leaving no partial file and any earlier one as it was.
bool WriteWorkpaper(const std::string& path, const ScreenBook& book, const ScreenReport& report,
                    const WorkpaperInfo& info, bool overwrite = false);

// Rows of a test sheet below its header (Excel's limit less one); tests may lower it.
extern std::size_t g_workpaper_rows_per_sheet;

}  // namespace qoru::screening
