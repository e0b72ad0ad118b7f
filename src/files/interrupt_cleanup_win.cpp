// The interrupt on Windows: a console control handler for Ctrl-C, Ctrl-Break and the
// closing of the console window. Windows runs it on a thread of its own, where it
// cleans up and ends the process (after the closing of the console, Windows ends the
// process itself once the handler returns, or after a few seconds). A file that the
// process still holds open at that moment (the database while it is written) cannot
// be removed on Windows: its folder stays until the next run removes it.
#include <windows.h>

#include <atomic>
#include <cstdlib>

#include "files/interrupt_cleanup.h"

namespace qoru {
namespace {

constexpr int kSigInt = 2;     // Ctrl-C, as the C runtime's SIGINT
constexpr int kSigBreak = 21;  // Ctrl-Break, as its SIGBREAK
constexpr int kSigHup = 1;     // the console's closing, as a hang-up

std::atomic<bool> g_installed{false};
std::atomic<bool> g_handling{false};

BOOL WINAPI OnControl(DWORD event) {
  int signal = 0;
  switch (event) {
    case CTRL_C_EVENT:
      signal = kSigInt;
      break;
    case CTRL_BREAK_EVENT:
      signal = kSigBreak;
      break;
    case CTRL_CLOSE_EVENT:
      signal = kSigHup;
      break;
    default:
      return FALSE;
  }
  // A second event while the first cleans up waits for its end.
  if (g_handling.exchange(true)) Sleep(INFINITE);
  CleanUpAfterInterrupt(signal);
  ExitProcess(static_cast<UINT>(128 + signal));
}

// A normal exit after an event came waits for the handler's end of the process.
void HoldExit() {
  if (g_handling.load()) Sleep(INFINITE);
  AwaitInterruptIfBegun();
}

}  // namespace

bool EndInterruptedRunsCleanly() {
  if (g_installed.exchange(true)) return true;
  std::atexit(HoldExit);
  return SetConsoleCtrlHandler(OnControl, TRUE) != 0;
}

}  // namespace qoru
