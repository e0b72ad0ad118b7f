// Reads the format description GSSM.txt into the lists that drive the run:
//   TableMap        "<section>=<file>" per table section, in the order of the headers;
//   HeaderMap       "<file>=<quoted comma text of the columns>", in the same order;
//   AuxItemNames    the lines of every "辅助核算项档案" section;
//   AuxArchiveFiles the file of every auxiliary type section "[<type>]";
//   AccountsFile    the file of the (last) "会计科目" section.
// A header is any line containing a section name (ASCII case ignored, never matching
// inside a double-byte character). A section ends at the first line after its own
// lines that contains "[" or is blank, or at the end of the file.
#pragma once

#include <string>
#include <vector>

#include "text/string_list.h"

namespace qoru {

struct FormatDescription {
  StringList table_map;                  // TableMap
  std::vector<std::size_t> table_lines;  // the file-name line (from 1) of each TableMap entry
  StringList header_map;                 // HeaderMap
  StringList aux_item_names;             // AuxItemNames
  StringList aux_archive_files;          // AuxArchiveFiles
  std::string accounts_file;             // AccountsFile
  bool accounts_file_set = false;        // a "会计科目" section was read
  std::size_t stopped_at_line = 0;       // line (from 1) of a table header without file-name line
  // The width declared for the chart's 科目编号 (the third field of its column line,
  // "科目编号,文本,40"), from the section that set accounts_file; 0 when none is.
  std::size_t chart_code_width = 0;
  std::size_t chart_code_width_line = 0;  // its line in GSSM.txt, from 1
};

// Reads WorkDir + "TemplateTemp/GSSM.txt" and appends to `out`. False when the file
// does not exist, or when reading stopped at a table header on the last line (the
// entries made before it stay). A file that exists but cannot be read raises FileError.
bool ReadFormatDescription(const std::string& work_dir, FormatDescription& out);

// The two passes over lines already loaded; the result as above.
bool ReadFormatDescriptionLines(const StringList& lines, FormatDescription& out);

// What a run says of a description whose reading stopped (stopped_at_line).
std::string StoppedReadingMessage(const FormatDescription& description);

}  // namespace qoru
