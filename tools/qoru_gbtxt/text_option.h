// Options whose values are text rather than paths (column names, keywords). HostMain has
// every argument as a path would be given to the library, GBK on Windows; the values of
// these options are turned back into the UTF-8 text that the program compares them with.
#pragma once

#include <string>

#include <CLI/CLI.hpp>

#include "files/path_text.h"

namespace qoru::host {

inline CLI::Option* TextOption(CLI::Option* option) {
  return option->transform([](std::string word) { return PathText(word); });
}

}  // namespace qoru::host
