// The console under the terminal face: whether stdin and stderr are terminals, its
// width, and Ctrl-C. console_posix.cpp works with signals (SIGINT, SIGWINCH);
// console_win.cpp with the console's control handler, where Ctrl-C, Ctrl-Break and
// closing the console window all count as the interrupt.
#pragma once

#include <cstddef>

namespace qoru::console {

// Makes what the program writes to stdout and stderr, UTF-8, show as such where either
// is a console: on Windows a relay hands it to the console as UTF-16 (and turns on the
// console's reading of control sequences) until the program ends; a pipe or a file gets
// the bytes unchanged. Nothing on Linux, whose terminals take UTF-8. Called once, by
// the command-line host's entry.
void UseUtf8Consoles();

bool StdinIsTerminal();
bool StderrIsTerminal();
// Columns of the terminal on stderr, 80 when it is none.
int StderrColumns();

// Installs `interrupt` (Ctrl-C) and `resize` (the terminal changed its size; never
// called on Windows) for as long as the terminal face is shown; one set at a time.
// Both may run at any moment on any thread (a signal handler on Linux, the console's
// own thread on Windows), so they may only touch atomics and call the two functions
// below. False when they could not be installed.
bool InstallHandlers(void (*interrupt)(), void (*resize)());
// Gives back the handlers that were there before.
void RestoreHandlers();

// Writes bytes to stderr as they stand; safe inside a handler.
void WriteFromHandler(const char* text, std::size_t length);
// Ends the process at once with `code`; safe inside a handler.
[[noreturn]] void ExitFromHandler(int code);

}  // namespace qoru::console
