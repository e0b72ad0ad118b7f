// Reads a sample's workpaper back for its evaluation, as the auditor saved it (Excel or
// LibreOffice): the plan from the cover, the files it was drawn from, and each selected
// item of the sheet 样本 with its audited amount (审定金额, or 回函金额 for balances)
// and remark. The plan and the items are checked against the cover's digest, so a
// workpaper edited beyond those two columns, or not made by `sample`, is refused; so is
// one where an item has no audited amount. The file itself is only read.
#pragma once

#include <string>
#include <vector>

#include "sampling/workpaper/workpaper_record.h"

namespace qoru::sampling {

struct ReadWorkpaper {
  PlanRecord plan;
  std::vector<ItemRecord> items;  // every one with its audited amount
};

// Reads the workpaper at `path` (`shown` names it). Raises SampleError with what to do,
// or workbook::WorkbookError when the file is no readable workbook.
ReadWorkpaper ReadSampleWorkpaper(const std::string& path, const std::string& shown);

}  // namespace qoru::sampling
