// The console relay under Wine: UTF-8 written to a descriptor that is a console shows
// as Chinese on that console (read back from its screen buffer), also when a character
// arrives in two writes; the terminal tests see the relayed descriptor as a terminal.
#include <windows.h>

#include <gtest/gtest.h>
#include <io.h>

#include <atomic>
#include <string>

#include "faces/console.h"
#include "faces/console_relay_win.h"

namespace qoru::console {
namespace {

// The text of the console's row `row`, blanks at the end dropped.
std::wstring Row(HANDLE console, SHORT row) {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!GetConsoleScreenBufferInfo(console, &info)) return L"";
  std::wstring text(static_cast<std::size_t>(info.dwSize.X), L' ');
  DWORD read = 0;
  ReadConsoleOutputCharacterW(console, text.data(), info.dwSize.X, COORD{0, row}, &read);
  text.resize(read);
  while (!text.empty() && text.back() == L' ') text.pop_back();
  return text;
}

TEST(WindowsConsole, Utf8ThroughTheRelayShowsAsChineseOnTheConsole) {
  FreeConsole();
  if (!AllocConsole()) GTEST_SKIP() << "Wine cannot give this process a console here";
  const HANDLE console =
      CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(console, INVALID_HANDLE_VALUE);
  CONSOLE_SCREEN_BUFFER_INFO before;
  ASSERT_TRUE(GetConsoleScreenBufferInfo(console, &before));
  // stderr on the new console for the test's length (GoogleTest writes to stdout).
  const int saved = _dup(2);
  const int on_console = _open_osfhandle(reinterpret_cast<intptr_t>(console), 0);
  ASSERT_EQ(_dup2(on_console, 2), 0);
  _close(on_console);

  ASSERT_TRUE(StartRelay(2));
  EXPECT_TRUE(IsRelayed(2));
  EXPECT_FALSE(IsRelayed(1));
  EXPECT_TRUE(StderrIsTerminal());
  EXPECT_GT(StderrColumns(), 0);
  const std::string line = "审计 2024年账套 \xE2\x9C\x93\n";  // ends with U+2713
  // "审" cut after its first byte: the relay waits for the rest.
  EXPECT_EQ(_write(2, line.data(), 1), 1);
  Sleep(50);
  EXPECT_EQ(_write(2, line.data() + 1, static_cast<unsigned>(line.size() - 1)),
            static_cast<int>(line.size() - 1));
  StopRelays(5000);
  EXPECT_FALSE(IsRelayed(2));

  const HANDLE reopened =
      CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  const std::wstring row = Row(reopened, before.dwCursorPosition.Y);
  EXPECT_EQ(row.rfind(L"审计 2024年账套 ", 0), 0u);
  EXPECT_NE(row.find(L"\u2713"), std::wstring::npos);
  CloseHandle(reopened);
  _dup2(saved, 2);
  _close(saved);
  FreeConsole();
}

std::atomic<int> g_interrupts{0};

// Ctrl-C reaches the interrupt that InstallHandlers was given, on the handler's thread,
// once, and the process goes on. (This Wine raises no Ctrl-Break for a process group.)
TEST(WindowsConsole, CtrlCReachesTheInterruptAndTheProcessGoesOn) {
  FreeConsole();
  if (!AllocConsole()) GTEST_SKIP() << "Wine cannot give this process a console here";
  g_interrupts = 0;
  ASSERT_TRUE(InstallHandlers([] { ++g_interrupts; }, nullptr));
  if (!GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) {
    const DWORD error = GetLastError();
    RestoreHandlers();
    FreeConsole();
    GTEST_SKIP() << "this Wine cannot raise Ctrl-C (GenerateConsoleCtrlEvent failed, error "
                 << error << ")";
  }
  for (int i = 0; i < 200 && g_interrupts == 0; ++i) Sleep(10);
  EXPECT_EQ(g_interrupts, 1);
  Sleep(100);
  EXPECT_EQ(g_interrupts, 1) << "once for one Ctrl-C";
  RestoreHandlers();
  FreeConsole();
}

}  // namespace
}  // namespace qoru::console
