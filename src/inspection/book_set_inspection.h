// Inspection of a book set before a conversion: what the description holds, each
// table's file, columns and rows, and the places where a conversion would stop,
// found without touching the source or any work area.
//
// The structure is found by the run's own code on a scratch work area of its own:
// the description is read by the same reader, the table texts are prepared, the
// tables imported header-only (the chart of accounts whole, and completed), and the
// auxiliary columns added, all by the same statements as in a run. The rows of every
// other table are counted in its staged text as the import counts them; the voucher and
// balance rows are read from theirs by the import's own reader and followed through the
// pass's rule, look-up and fields against the completed chart, without being imported.
// A failure is told in the words of the run, which makes the same call.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "text/source_encoding.h"

namespace qoru::inspection {

// Where in the run a finding takes effect; the run meets them in this order.
enum class RunStep {
  kStaging,
  kDescription,
  kTableTexts,
  kChart,
  kVoucherPass,
  kBalancePass,
  kArchives
};

struct Finding {
  bool fatal = false;  // the conversion would stop here (or end with "0")
  RunStep step = RunStep::kDescription;
  std::uint64_t row = 0;   // the row of the pass (record number from 1), for ordering
  std::string file;        // the source file concerned (UTF-8), or empty
  std::uint64_t line = 0;  // line in that file, from 1; 0: none
  std::string value;       // the value concerned (UTF-8), or empty
  std::string message;     // what happens, in Chinese (UTF-8)
};

struct TableReport {
  std::string section;               // the description's section (UTF-8)
  std::string file;                  // the table file (UTF-8)
  std::string table;                 // the table it is imported as (UTF-8), or empty
  bool imported = false;             // this entry creates the table
  std::string not_imported_reason;   // why not, when not
  std::vector<std::string> columns;  // columns of the table after the run's alterations
  std::uint64_t rows = 0;            // rows the table holds after a conversion
  std::uint64_t added_rows = 0;      // of them, parent accounts the chart completion adds
};

struct AuxTypeReport {
  std::string type;          // UTF-8
  std::string archive_file;  // paired by position; empty when there is none
  bool has_section = false;  // the description has a section [type]
};

struct InspectionReport {
  std::string source;
  std::string encoding;  // how the texts are read, and why (UTF-8 text)
  bool description_found = false;
  std::vector<std::string> sections;  // "section=file" entries, UTF-8, in order
  std::string accounts_file;          // UTF-8
  std::vector<AuxTypeReport> aux_types;
  std::vector<std::string> archive_files;  // UTF-8, in order
  std::vector<TableReport> tables;
  std::vector<std::string> missing_files;  // named by the description, not in the source
  std::vector<Finding> findings;           // in run order

  // The finding at which a conversion stops, or null when it would succeed.
  const Finding* FirstFatal() const;
};

// Inspects the book set in `source` (a directory, no trailing "/"). Raises on a
// failure of the inspection itself (no scratch area), never for the data.
// The texts are read in the encoding `choice`, or the one staging detects.
InspectionReport InspectBookSet(const std::string& source,
                                std::optional<SourceEncoding> choice = std::nullopt);

}  // namespace qoru::inspection
