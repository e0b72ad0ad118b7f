// `qoru-gbtxt screen`: journal-entry testing (会计分录测试) on a converted database
// (--db) or on a book set converted for the purpose into a temporary work area
// (--source), with its report as text, JSON and an Excel workpaper. Every parameter is
// checked before any work. Exit codes: 0 when the tests ran (items to review are not
// errors), 2 for wrong arguments or an input that cannot be read or converted. Several
// --db or --source, or --each, screen many book sets, each by a process of its own
// (book_set_runs.h): each one's report under its name, then a table; the exit code is
// the worst of theirs, and --xlsx names a folder that gets a workpaper per book set.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "book_sets/run_record.h"
#include "qoru_gbtxt/check_command.h"
#include "screening/screen_options.h"

namespace qoru::host {

struct ScreenCommandOptions {
  std::vector<std::string> databases;   // --db
  std::vector<std::string> sources;     // --source
  std::string each;                     // --each: a folder of book sets, one per subfolder
  unsigned jobs = 0;                    // --jobs: book sets screened at a time (0: the cores)
  std::string encoding = "auto";        // --encoding, with --source
  std::string database;                 // the one --db of a single book set
  std::string description;              // --gssm
  std::string source;                   // the one --source of a single book set
  std::string xlsx;                     // --xlsx FILE (a folder for many)
  screening::ScreenOptionTexts screen;  // --column, --max-listed, the tests' parameters
  std::string preparer;                 // --preparer NAME (编制人)
  bool overwrite = false;               // --overwrite: an existing workpaper may be replaced
  bool json = false;
};

CLI::App* AddScreenSubcommand(CLI::App& app, ScreenCommandOptions& options);

// The options as given, one word each, for the record of the run.
std::vector<std::string> GivenArguments(const ScreenCommandOptions& options);
// Adds the files of the options that a run reads (keywords, calendars) to `record`.
void AddOptionFiles(const ScreenCommandOptions& options, book_sets::RunRecord& record);

// Screens the book set of `database` (screen_run.cpp). `failure`: why its conversion
// stopped, when it did; the run goes on only for a book set without a balance table
// whose postings were imported whole.
int ScreenBookSet(const std::string& database, const std::string& description,
                  const std::string& name, const screening::ScreenOptions& checked,
                  const ScreenCommandOptions& options, book_sets::RunRecord& record,
                  const std::string& failure = {});

int RunScreenCommand(ScreenCommandOptions options, const Converter& convert);

// The options every screening run shares, as the words of a command line (for the
// process of each book set of many).
std::vector<std::string> SharedScreenArguments(const ScreenCommandOptions& options);

// `screen` over several --db or --source, or --each (many_screens.cpp), its parameters
// already checked.
int RunManyScreens(const ScreenCommandOptions& options);

}  // namespace qoru::host
