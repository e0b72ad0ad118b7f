// `qoru-gbtxt screen`: journal-entry testing (会计分录测试) on a converted database
// (--db) or on a book set converted for the purpose into a temporary work area
// (--source), with its report as text, JSON and an Excel workpaper. Every parameter is
// checked before any work. Exit codes: 0 when the tests ran (items to review are not
// errors), 2 for wrong arguments or an input that cannot be read or converted.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "qoru_gbtxt/check_command.h"

namespace qoru::host {

struct ScreenCommandOptions {
  std::string database;              // --db
  std::string description;           // --gssm
  std::string source;                // --source
  std::vector<std::string> columns;  // --column postings.ROLE=NAME
  std::string xlsx;                  // --xlsx FILE
  std::string max_listed = "20";     // --max-listed
  std::string materiality;           // --materiality (empty: none)
  std::string round_unit = "1000";
  std::string round_min = "10000";
  std::string rare_preparer = "5";
  std::string rare_pair = "3";
  std::string seldom = "3";
  std::string period_end_days = "5";
  std::string duplicate_days = "3";
  std::vector<std::string> keyword;  // --keyword W
  std::string keywords;              // --keywords FILE
  bool json = false;
};

CLI::App* AddScreenSubcommand(CLI::App& app, ScreenCommandOptions& options);

int RunScreenCommand(ScreenCommandOptions options, const Converter& convert);

}  // namespace qoru::host
