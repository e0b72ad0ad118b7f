// The parts of the screening workpaper that document the run rather than list items:
// the cover 概览 (the population, the tie-out, every test, the provenance) and the
// tie-out's sheet 完整性核对 with each difference; and the words of a test's parameters,
// which its own sheet repeats.
#pragma once

#include <cstddef>
#include <string>

#include "screening/workpaper/workpaper.h"

namespace qoru::screening {

// Writes the cover on `sheet` and returns the row after it, where the count of cut
// cells goes once every other sheet is written.
std::size_t WriteCover(workbook::Workbook& b, lxw_worksheet* sheet, const ScreenBook& book,
                       const ScreenReport& report, const WorkpaperInfo& info);

// The last line of the cover at `row`: how many cells were cut to fit.
void WriteCutCells(workbook::Workbook& b, lxw_worksheet* sheet, std::size_t row);

// The sheet 完整性核对.
void WriteTieOutSheet(workbook::Workbook& b, const ScreenBook& book);

// The parameters `id` ran with, as the options that set them.
std::string TestParameters(const ScreenParameters& p, TestId id);

}  // namespace qoru::screening
