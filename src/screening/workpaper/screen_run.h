// The run of `screen`: journal-entry testing (会计分录测试) on a converted database
// (--db) or on a book set converted for the purpose into a scratch area (--source),
// with its report as text, JSON and an Excel workpaper (workpaper.h). Every parameter is
// checked before any work. Exit codes: 0 when the tests ran (items to review are not
// errors), 2 for wrong arguments or an input that cannot be read or converted. Several
// --db or --source, or --each, screen many book sets, each by a process of its own
// (book_sets/many_book_sets.h): each one's report under its name, then a table; the
// exit code is the worst of theirs, and --xlsx names a folder that gets a workpaper per
// book set.
#pragma once

#include <string>
#include <vector>

#include "book_sets/command_input.h"
#include "screening/screen_options.h"

namespace qoru::screening {

struct ScreenRequest {
  ScreenOptionTexts screen;            // --column, --max-listed, the tests' parameters
  std::vector<std::string> databases;  // --db
  std::vector<std::string> sources;    // --source
  std::string each;                    // --each: a folder of book sets, one per subfolder
  book_sets::CommandInput input;       // the one book set of a single run (--gssm with it)
  unsigned jobs = 0;                   // --jobs: book sets screened at a time (0: the cores)
  std::string encoding = "auto";       // --encoding, with --source
  std::string xlsx;                    // --xlsx FILE (a folder for many)
  std::string preparer;                // --preparer NAME (编制人)
  bool overwrite = false;              // --overwrite: an existing workpaper may be replaced
  bool json = false;
};

// Runs the request, the report on stdout; its exit code.
int RunScreen(ScreenRequest request, const book_sets::Converter& convert);

}  // namespace qoru::screening
