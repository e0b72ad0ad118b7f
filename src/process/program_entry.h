// The entry of the command-line programs, per platform (program_entry_posix.cpp,
// program_entry_win.cpp, built into each program rather than into this room's library):
// it hands HostMain (defined by each program: qoru-gbtxt, qoru-gendata) the arguments
// as GBK byte strings (on Windows read as UTF-16, "\" turned into "/", and the console
// set to show UTF-8, which is what the programs write).
#pragma once

namespace qoru::process {

int HostMain(int argc, char** argv);

}  // namespace qoru::process
