// The names the run gives the tables of a format description. A table is named after
// its file: the file-name line of its section less ".txt". That name reaches the
// database only quoted, and the line must be the very file name that the table text
// preparation rewrites, so a line that could name a table apart from its file is
// refused before the run touches anything:
//   - one that holds "=" (HeaderMap cuts the file name at the first "=");
//   - one that is not a bare file name of the work area (file_system.h);
//   - one that does not end in ".txt" (ASCII case ignored), or is nothing more;
//   - one whose table name SQLite keeps for itself ("sqlite_...");
//   - one that holds a control character.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "staging/format_description.h"

namespace qoru {

struct TableNameProblem {
  std::size_t entry = 0;  // index of the TableMap entry
  std::size_t line = 0;   // its file-name line in GSSM.txt, from 1
  std::string message;    // UTF-8: the section, the line, the file and why
};

// Every entry of `description` whose file-name line cannot name its table, in order.
std::vector<TableNameProblem> TableNameProblems(const FormatDescription& description);

// Raises BookSetRefusal with the first problem's message, if there is one.
void CheckTableNames(const FormatDescription& description);

}  // namespace qoru
