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

// The option word among `args` that the subcommand they name does not have, as one
// line that quotes it and suggests the nearest option ("未知的选项 --sorce，是否要用
// --source？"), ending with its punctuation; empty when every option word is known. Found before
// the parser runs, which would first complain of the required option that the typo stood for.
std::string CheckOptionWords(const CLI::App& app, const std::vector<std::string>& args);

// The word of `known` nearest to `word` within a few edits, or empty.
std::string NearestWord(const std::string& word, const std::vector<std::string>& known);

// One Chinese line for a parse error of the parser.
std::string ArgumentErrorText(const CLI::ParseError& error);

}  // namespace qoru::host
