// How the command line refuses a run before any work: the message on stderr after the
// program's name, and the exit code of a usage error, which every subcommand shares.
#pragma once

#include <string>

namespace qoru::host {

inline constexpr int kExitUsage = 2;

// Writes "qoru-gbtxt：<message>" to stderr; returns kExitUsage.
int Refuse(const std::string& message);

}  // namespace qoru::host
