// `qoru-gbtxt sample`: audit sampling (审计抽样) on a converted database (--db) or on a
// book set converted for the purpose into a temporary work area (--source): the
// population, the plan and the selected items as text or JSON, and the workpaper
// (--xlsx); or, with --evaluate, the evaluation of a workpaper the auditor has filled
// in, which is only read. Every parameter is checked before any work. Exit codes: 0
// when done, 2 for wrong arguments or an input that cannot be read or used.
#pragma once

#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "qoru_gbtxt/check_command.h"
#include "sampling/sample_options.h"

namespace qoru::host {

struct SampleCommandOptions {
  std::string database;              // --db
  std::string description;           // --gssm
  std::string source;                // --source
  std::string encoding = "auto";     // --encoding, with --source
  std::vector<std::string> columns;  // --column TABLE.ROLE=NAME
  sampling::SampleOptionTexts sample;
  std::string evaluate;    // --evaluate WORKPAPER.xlsx
  std::string xlsx;        // --xlsx FILE
  bool overwrite = false;  // --overwrite
  std::string preparer;    // --preparer NAME (编制人)
  bool json = false;
};

CLI::App* AddSampleSubcommand(CLI::App& app, SampleCommandOptions& options);

int RunSampleCommand(SampleCommandOptions options, const Converter& convert);

}  // namespace qoru::host
