// The Excel workpaper of a sample (libxlsxwriter, written beside its target and renamed
// into place when complete, never replacing a file unless told to): a cover 概览 with
// the population, the method, its parameters and factors, the size with its formula,
// the interval, seed and start, the digest of the plan and the items, and the provenance
// (the files read with their sizes and SHA-256, the run); a sheet 样本 with one row per
// selected item (a voucher's postings beneath it) and empty columns for the auditor
// (审定金额, or 回函金额 for balances, and 备注); and a sheet 分层 with the population's
// strata. Every sheet prints landscape, one page wide, its header row repeated.
#pragma once

#include <string>
#include <vector>

#include "provenance/provenance.h"
#include "sampling/report/sample_listing.h"
#include "sampling/workpaper/workpaper_record.h"

namespace qoru::sampling {

struct WorkpaperInfo {
  provenance::Provenance provenance;  // the files read, the program, the run
};

// The columns of the sheet 样本 for a unit, in order; the column the auditor fills in is
// AuditedColumn(unit).
std::vector<std::string> SampleColumns(Unit unit);
const char* AuditedColumn(Unit unit);
inline constexpr const char* kRemarkColumn = "备注";
inline constexpr const char* kCoverSheet = "概览";
inline constexpr const char* kSampleSheet = "样本";

// The plan and the items as the workpaper records them.
PlanRecord RecordPlan(const SampleBook& book, const Sample& sample,
                      const std::vector<ListedItem>& items, const WorkpaperInfo& info);
std::vector<ItemRecord> RecordItems(const Sample& sample, const std::vector<ListedItem>& items);

// Writes the workpaper to `path`. An existing file is replaced only with `overwrite`,
// never a read-only one; returns whether one was replaced. Raises
// workbook::WorkbookError, leaving no partial file and any earlier one as it was.
bool WriteSampleWorkpaper(const std::string& path, const SampleBook& book, const Sample& sample,
                          const std::vector<ListedItem>& items, const WorkpaperInfo& info,
                          bool overwrite = false);

}  // namespace qoru::sampling
