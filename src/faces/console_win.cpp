// The console on Windows: a console handle tells a terminal from a pipe or file, the
// screen buffer gives the width, and the control handler takes Ctrl-C, Ctrl-Break and
// the closing of the console window (which Windows follows by ending the process once
// the handler returns: the run's committed rows stay, as after a second Ctrl-C).
#include <io.h>
#include <windows.h>

#include "faces/console.h"
#include "text/display_width.h"

namespace qoru::console {
namespace {

void (*g_interrupt)() = nullptr;
bool g_installed = false;

BOOL WINAPI OnControl(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
      if (g_interrupt != nullptr) g_interrupt();
      return TRUE;
    default:
      return FALSE;
  }
}

bool IsConsole(DWORD which) {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(which), &mode) != 0;
}

}  // namespace

bool StdinIsTerminal() {
  return IsConsole(STD_INPUT_HANDLE);
}

bool StderrIsTerminal() {
  return IsConsole(STD_ERROR_HANDLE);
}

int StderrColumns() {
  return TerminalColumns(2);
}

bool InstallHandlers(void (*interrupt)(), void (* /*resize*/)()) {
  g_interrupt = interrupt;
  g_installed = SetConsoleCtrlHandler(OnControl, TRUE) != 0;
  return g_installed;
}

void RestoreHandlers() {
  if (g_installed) SetConsoleCtrlHandler(OnControl, FALSE);
  g_installed = false;
}

void WriteFromHandler(const char* text, std::size_t length) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, static_cast<DWORD>(length), &written, nullptr);
}

void ExitFromHandler(int code) {
  ExitProcess(static_cast<UINT>(code));
}

}  // namespace qoru::console
