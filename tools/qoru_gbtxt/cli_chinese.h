// The command line in Chinese: a help formatter whose every label is Chinese, and the
// translation of the command-line parser's errors into one Chinese line that names
// the wrong word or the missing option.
#pragma once

#include <string>
#include <vector>

#include <CLI/CLI.hpp>

namespace qoru::host {

// Gives `app` (and the subcommands added after this call) Chinese help: labels, the
// option group, the help flag.
void UseChinese(CLI::App& app);

// Finds what the parser would take for a subcommand or a top-level option and is
// none of `known`: the first word that is not an option, or an option that the top
// level does not have. Returns the message for it, or an empty text.
std::string CheckTopLevelWord(const std::vector<std::string>& args,
                              const std::vector<std::string>& subcommands);

// One Chinese line for a parse error of the parser.
std::string ArgumentErrorText(const CLI::ParseError& error);

}  // namespace qoru::host
