// The option --encoding gbk|utf-8|auto of convert, inspect, check and screen: how the
// book set's text files are read. The library learns the choice through the environment
// (kEncodingVariable), the one way a host can tell it anything beyond the two folders.
#pragma once

#include <string>

#include <CLI/CLI.hpp>

namespace qoru::host {

// Adds --encoding to `command`, filled into `value` (default "auto").
void AddEncodingOption(CLI::App& command, std::string& value);

// Why `value` is not a choice of --encoding; empty when it is one.
std::string EncodingOptionProblem(const std::string& value);

// Hands the choice to the library: the variable set for gbk and utf-8, removed for
// auto (so that an inherited one does not decide instead of the detection).
void UseEncodingChoice(const std::string& value);

}  // namespace qoru::host
