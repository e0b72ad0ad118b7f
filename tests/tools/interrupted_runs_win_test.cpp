// Ctrl-C and Ctrl-Break on the console of a run of qoru-gbtxt.exe stopped at a chosen
// point (the test hook QORU_TEST_PAUSE_AT) end it with 128 + the signal, leaving nothing
// in the temporary folder (under Wine: the console's events reach every process on it).
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <optional>

#include "gendata/consistent_books.h"
#include "process/command_line_win.h"
#include "test_support/native_path.h"
#include "test_support/programs.h"
#include "test_support/temp_dir.h"
#include "text/gbk_codec.h"

namespace qoru {
namespace {

std::atomic<int> g_events{0};  // the console's events that reached this process

BOOL WINAPI Absorb(DWORD) {
  ++g_events;
  return TRUE;
}

std::wstring Wide(const std::string& gbk) {
  const std::u16string utf16 = GbkToUtf16(gbk);
  return std::wstring(utf16.begin(), utf16.end());
}

// The environment variable `name` set to `value` while it lives, removed after.
class Setting {
 public:
  Setting(const wchar_t* name, const std::string& value) : name_(name) {
    SetEnvironmentVariableW(name, Wide(value).c_str());
  }
  ~Setting() { SetEnvironmentVariableW(name_, nullptr); }

 private:
  const wchar_t* name_;
};

std::size_t Entries(const std::string& dir) {
  std::size_t n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(test::FsPath(dir))) ++n;
  return n;
}

// A console of this process's own for the test's length, its standard handles as they
// were after (AllocConsole points them at the console).
class OwnConsole {
 public:
  OwnConsole() {
    FreeConsole();
    made_ = AllocConsole() != 0;
  }
  ~OwnConsole() {
    FreeConsole();
    SetStdHandle(STD_INPUT_HANDLE, in_);
    SetStdHandle(STD_OUTPUT_HANDLE, out_);
    SetStdHandle(STD_ERROR_HANDLE, err_);
  }
  bool made() const { return made_; }

 private:
  HANDLE in_ = GetStdHandle(STD_INPUT_HANDLE);
  HANDLE out_ = GetStdHandle(STD_OUTPUT_HANDLE);
  HANDLE err_ = GetStdHandle(STD_ERROR_HANDLE);
  bool made_ = false;
};

TEST(InterruptedRunsOnWindows, CtrlCAndCtrlBreakLeaveNoTemporaryFolder) {
  const OwnConsole console;
  if (!console.made()) GTEST_SKIP() << "Wine cannot give this process a console here";
  SetConsoleCtrlHandler(Absorb, TRUE);
  test::TempDir dir;
  const std::string books = dir / "books";
  test::MakeDir(books);
  gen::ConsistentOptions options;
  options.postings = 200;
  gen::WriteConsistentBooks(books, options);
  const struct {
    DWORD event;
    DWORD exit_code;
  } cases[] = {{CTRL_C_EVENT, 130}, {CTRL_BREAK_EVENT, 149}};
  int raised = 0;  // the events this Wine could raise
  for (const auto& c : cases) {
    SCOPED_TRACE(c.event);
    const std::string tmp = dir / ("tmp" + std::to_string(c.event));
    const std::string marks = dir / ("marks" + std::to_string(c.event));
    test::MakeDir(tmp);
    test::MakeDir(marks);
    const Setting tmp_var(L"TMP", tmp), temp_var(L"TEMP", tmp);
    const Setting at(L"QORU_TEST_PAUSE_AT", "testing"), mark(L"QORU_TEST_PAUSE_MARK", marks);
    std::wstring line = process::CommandLine({test::kHost, "screen", "--json", "--source", books});
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process));
    CloseHandle(process.hThread);
    for (int i = 0; i < 6000 && Entries(marks) == 0; ++i) {
      if (WaitForSingleObject(process.hProcess, 10) == WAIT_OBJECT_0) break;
    }
    ASSERT_EQ(Entries(marks), 1u) << "the run did not reach its point";
    ASSERT_EQ(Entries(tmp), 1u) << "its work area";
    g_events = 0;
    if (!GenerateConsoleCtrlEvent(c.event, 0)) {
      std::printf("this Wine cannot raise the console's event %lu (error %lu)\n",
                  static_cast<unsigned long>(c.event), static_cast<unsigned long>(GetLastError()));
      TerminateProcess(process.hProcess, 1);
      WaitForSingleObject(process.hProcess, 10000);
      CloseHandle(process.hProcess);
      continue;
    }
    ++raised;
    if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) {
      TerminateProcess(process.hProcess, 1);
      CloseHandle(process.hProcess);
      ADD_FAILURE() << "the run did not end"
                    << (g_events == 0 ? " (nor did the event reach this process)" : "");
      continue;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    EXPECT_EQ(code, c.exit_code);
    EXPECT_EQ(Entries(tmp), 0u) << "a temporary folder stayed";
  }
  SetConsoleCtrlHandler(Absorb, FALSE);
  if (raised == 0) GTEST_SKIP() << "this Wine cannot raise the console's events";
}

}  // namespace
}  // namespace qoru
