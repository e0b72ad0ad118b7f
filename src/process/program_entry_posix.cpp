// The command-line programs' process on Linux.
#include <csignal>

#include "process/program_entry.h"

int main(int argc, char** argv) {
  // A file that grows past the process's size limit must fail its write, not end the
  // process: the library then reports the failure like any other.
  std::signal(SIGXFSZ, SIG_IGN);
  return qoru::process::HostMain(argc, argv);
}
