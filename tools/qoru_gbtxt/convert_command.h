// `qoru-gbtxt convert`: the source checked, the work area prepared and locked, the
// library loaded and DoIt called with the face asked for; then the summary (text or
// JSON, with the checks of --check), the result on stdout and the exit code. And the
// exit codes that convert and inspect share.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

namespace qoru::host {

inline constexpr int kExitDone = 0;          // converted (inspect: a conversion would succeed)
inline constexpr int kExitNotConverted = 1;  // "0" (inspect: a conversion would fail)

struct ConvertOptions {
  std::string source;
  std::string work;
  std::string face;
  bool keep_work = false;
  bool json = false;
  bool verbose = false;
  bool check = false;                      // run the checks after a successful conversion
  std::vector<std::string> check_columns;  // their --column values
  std::size_t max_findings = 100;
  std::string encoding = "auto";
};

// Adds the subcommand `convert` with its options, filled into `options`, to `app`.
CLI::App* AddConvertSubcommand(CLI::App& app, ConvertOptions& options);

int RunConvertCommand(ConvertOptions options);

}  // namespace qoru::host
