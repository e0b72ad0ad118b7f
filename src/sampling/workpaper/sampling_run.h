// The run of `sample`: audit sampling (审计抽样) on a converted database (--db) or on a
// book set converted for the purpose into a scratch area (--source): the population,
// the plan and the selected items as text or JSON, and the workpaper (--xlsx); or, with
// --evaluate, the evaluation of a workpaper the auditor has filled in, which is only
// read. Every parameter is checked before any work. Exit codes: 0 when done, 2 for
// wrong arguments or an input that cannot be read or used.
#pragma once

#include <string>
#include <vector>

#include "book_sets/command_input.h"
#include "sampling/sample_options.h"

namespace qoru::sampling {

// The options of a run as given; its parameters are read into a SampleRequest.
struct SamplingRequest {
  book_sets::CommandInput input;     // --db, --gssm, --source
  std::string encoding = "auto";     // --encoding, with --source
  std::vector<std::string> columns;  // --column TABLE.ROLE=NAME
  SampleOptionTexts sample;
  std::string evaluate;    // --evaluate WORKPAPER.xlsx
  std::string xlsx;        // --xlsx FILE
  bool overwrite = false;  // --overwrite
  std::string preparer;    // --preparer NAME (编制人)
  bool json = false;
};

// Runs the request, the report on stdout; its exit code.
int RunSampling(SamplingRequest request, const book_sets::Converter& convert);

}  // namespace qoru::sampling
