// What the inspection makes of a book set's format description once it is read: its
// entries as the report lists them, and the findings about its auxiliary items — a type
// without an archive section, types and archives paired by position against their own
// sections, an archive shared by two types, an archive without a type (which stops the
// run at its information tables).
#pragma once

#include <cstdint>
#include <string>

#include "inspection/book_set_inspection.h"
#include "staging/format_description.h"

namespace qoru::inspection {

// Lists the description's sections, chart and archive files and its auxiliary item types
// in `report`, with their findings (step kDescription).
void DescribeDescription(const FormatDescription& description, InspectionReport& report);

// The finding of an archive beyond the auxiliary item types, if there is one (step
// kArchives).
void ArchiveFindings(const FormatDescription& description, InspectionReport& report);

}  // namespace qoru::inspection
