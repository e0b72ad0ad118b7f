// The console on Windows: a console handle (or a relay to one, console_relay_win.h)
// tells a terminal from a pipe or file, the screen buffer gives the width, and the
// control handler takes Ctrl-C, Ctrl-Break and the closing of the console window
// (which Windows follows by ending the process once the handler returns: the run's
// committed rows stay, as after a second Ctrl-C).
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "faces/console.h"
#include "faces/console_relay_win.h"
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

// The console's own output buffer, for a descriptor that is relayed to it.
HANDLE OpenConsoleOutput() {
  return CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                     nullptr, OPEN_EXISTING, 0, nullptr);
}

void StopRelaysAtExit() {
  StopRelays(2000);
}

}  // namespace

void UseUtf8Consoles() {
  const bool out = StartRelay(1);
  const bool err = StartRelay(2);
  // A pipe or file receives the bytes as written: the C runtime's text mode would put
  // a "\r" before each "\n".
  if (!out) _setmode(1, _O_BINARY);
  if (!err) _setmode(2, _O_BINARY);
  if (out || err) std::atexit(StopRelaysAtExit);
}

bool StdinIsTerminal() {
  return IsConsole(STD_INPUT_HANDLE);
}

bool StderrIsTerminal() {
  return IsConsole(STD_ERROR_HANDLE) || IsRelayed(2);
}

int StderrColumns() {
  if (!IsRelayed(2)) return TerminalColumns(2);
  const HANDLE console = OpenConsoleOutput();
  CONSOLE_SCREEN_BUFFER_INFO info;
  int columns = 80;
  if (console != INVALID_HANDLE_VALUE && GetConsoleScreenBufferInfo(console, &info))
    columns = info.srWindow.Right - info.srWindow.Left + 1;
  if (console != INVALID_HANDLE_VALUE) CloseHandle(console);
  return columns > 0 ? columns : 80;
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

// The handler runs on a thread of its own, which may call anything: a relayed stderr
// gets the text straight on its console, ahead of what the relay still holds.
void WriteFromHandler(const char* text, std::size_t length) {
  DWORD written = 0;
  if (IsRelayed(2)) {
    const HANDLE console = OpenConsoleOutput();
    const int n = MultiByteToWideChar(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, static_cast<int>(length), wide.data(), n);
    if (console != INVALID_HANDLE_VALUE) {
      WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
      CloseHandle(console);
      return;
    }
  }
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, static_cast<DWORD>(length), &written, nullptr);
}

void ExitFromHandler(int code) {
  StopRelays(200);
  ExitProcess(static_cast<UINT>(code));
}

}  // namespace qoru::console
