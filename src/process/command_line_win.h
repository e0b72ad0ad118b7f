// The command line that CreateProcessW is given for a child (child_process_win.cpp):
// the program's path (words[0], GBK) in quotes, which the C runtime takes as it
// stands, then each argument in UTF-16, quoted so that the runtime's parser (and
// CommandLineToArgvW) splits the line back into exactly these words.
#pragma once

#include <string>
#include <vector>

namespace qoru::process {

std::wstring CommandLine(const std::vector<std::string>& words);

}  // namespace qoru::process
