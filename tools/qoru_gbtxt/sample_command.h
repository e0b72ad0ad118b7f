// `qoru-gbtxt sample`: its options, read into the request of the sampling's run
// (sampling/workpaper/sampling_run.h, which tells its exit codes).
#pragma once

#include <CLI/CLI.hpp>

#include "sampling/workpaper/sampling_run.h"

namespace qoru::host {

CLI::App* AddSampleSubcommand(CLI::App& app, sampling::SamplingRequest& options);

}  // namespace qoru::host
