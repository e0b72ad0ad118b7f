// Windows consoles take UTF-16 (WriteConsoleW); what this system writes to stdout and
// stderr is UTF-8, as bytes through the C runtime. A relay stands between them: the
// runtime's descriptor writes into a pipe, and a thread reads the pipe and writes the
// text to the console as UTF-16, whatever the console's code page, a character never
// cut in two; a byte that is not UTF-8 shows as U+FFFD. A pipe or file as the output
// gets the bytes themselves, without a relay. (console_win.cpp starts the relays for
// the command-line host; the tests drive one on a console of their own.)
//
// The plug-in's own copy of these files learns of the relays through the environment
// variable QORU_CONSOLE_RELAY ("<process id> <descriptors>"), which only this process
// (by its id) takes as its own.
#pragma once

namespace qoru::console {

// Relays descriptor `fd`, open on a console, to that console; false when it is none
// or the relay cannot start (the bytes then go to the console as they stand).
bool StartRelay(int fd);
// Ends every relay, each once what was written before has reached its console, and
// gives the descriptors back their consoles. Waits at most `milliseconds` per relay.
void StopRelays(unsigned milliseconds);
// Whether `fd` is relayed to a console (by this copy of the code or by another in the
// process).
bool IsRelayed(int fd);

}  // namespace qoru::console
