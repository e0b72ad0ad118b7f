// `qoru-gbtxt inspect`: a preview of a conversion (inspection/book_set_inspection.h),
// refused as convert refuses a source, shown as text or JSON; exit 0 when the conversion
// would succeed, 1 when it would fail.
#pragma once

#include <string>

#include <CLI/CLI.hpp>

namespace qoru::host {

struct InspectOptions {
  std::string source;
  bool json = false;
  std::string encoding = "auto";
};

// Adds the subcommand `inspect` with its options, filled into `options`, to `app`.
CLI::App* AddInspectSubcommand(CLI::App& app, InspectOptions& options);

int RunInspectCommand(InspectOptions options);

}  // namespace qoru::host
