// `qoru-gbtxt check`: its options, read into the request of the checks' run
// (checks/check_run.h, which tells its exit codes).
#pragma once

#include <CLI/CLI.hpp>

#include "checks/check_run.h"

namespace qoru::host {

// Adds the subcommand `check` with its options, filled into `options`, to `app`.
CLI::App* AddCheckSubcommand(CLI::App& app, checks::CheckRequest& options);

}  // namespace qoru::host
