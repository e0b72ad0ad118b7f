// How a command refuses a run before any work, or stops one it cannot finish: the
// message on stderr after the program's name, and the exit code of a usage error, which
// every subcommand shares.
#pragma once

#include <string>

namespace qoru::book_sets {

inline constexpr int kExitUsage = 2;

// Writes "qoru-gbtxt：<message>" to stderr; returns kExitUsage.
int Refuse(const std::string& message);

}  // namespace qoru::book_sets
