// `qoru-gbtxt screen`: its options, read into the request of the screening's run
// (screening/workpaper/screen_run.h, which tells its exit codes).
#pragma once

#include <CLI/CLI.hpp>

#include "screening/workpaper/screen_run.h"

namespace qoru::host {

CLI::App* AddScreenSubcommand(CLI::App& app, screening::ScreenRequest& options);

}  // namespace qoru::host
