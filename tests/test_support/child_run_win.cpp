// Commands for the tests on Windows, without a shell: the command is split into words
// as the POSIX shell would split it (blanks, single and double quotes; a backslash
// outside quotes stays, as it separates the folders of the paths that tests build),
// leading VAR=value words set the child's environment (TMPDIR also as TMP and TEMP,
// where Windows looks for the temporary folder), and the program starts through
// CreateProcessW with its output read from pipes. A command that needs more of the shell
// (pipes, redirections, lists, substitutions, patterns) or names no program fails with
// exit code 127 and says so in its output, like a shell that cannot find a command.
#include <windows.h>

#include <optional>
#include <thread>
#include <utility>

#include "process/command_line_win.h"
#include "test_support/command.h"
#include "text/gbk_codec.h"
#include "text/utf8.h"

namespace qoru::test {
namespace {

constexpr int kNotRun = 127;

struct Words {
  std::vector<std::pair<std::string, std::string>> assignments;
  std::vector<std::string> argv;
  std::string error;  // what of the shell's language the command needs, when it does
};

Words Split(const std::string& command) {
  Words words;
  std::string word;
  bool in_word = false;
  for (std::size_t i = 0; i < command.size() && words.error.empty(); ++i) {
    const char c = command[i];
    if (c == ' ' || c == '\t' || c == '\n') {
      if (in_word) words.argv.push_back(std::move(word));
      word.clear();
      in_word = false;
    } else if (c == '\'') {
      const std::size_t end = command.find('\'', i + 1);
      if (end == std::string::npos)
        words.error = "an unclosed quote";
      else
        word.append(command, i + 1, end - i - 1), i = end;
      in_word = true;
    } else if (c == '"') {
      for (++i; i < command.size() && command[i] != '"'; ++i) {
        if (command[i] == '$' || command[i] == '`') words.error = "a substitution";
        if (command[i] == '\\' && i + 1 < command.size() &&
            std::string_view("\"\\$`").find(command[i + 1]) != std::string_view::npos)
          ++i;
        word += command[i];
      }
      if (i >= command.size()) words.error = "an unclosed quote";
      in_word = true;
    } else if (std::string_view("|&;<>()$`*?[]{}~#").find(c) != std::string_view::npos) {
      words.error = std::string("the shell's '") + c + "'";
    } else {
      word += c;
      in_word = true;
    }
  }
  if (in_word) words.argv.push_back(std::move(word));
  // Leading NAME=value words are assignments.
  while (!words.argv.empty()) {
    const std::string& first = words.argv.front();
    const std::size_t eq = first.find('=');
    if (eq == std::string::npos || eq == 0 ||
        first.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_") <
            eq)
      break;
    words.assignments.emplace_back(first.substr(0, eq), first.substr(eq + 1));
    words.argv.erase(words.argv.begin());
  }
  if (words.error.empty() && words.argv.empty()) words.error = "no program";
  return words;
}

// A word of the test's text as the system's code page (GBK) has it: UTF-8, the
// encoding of the tests' sources and of what a user types, converted; anything else
// (a GBK path) kept.
std::string Gbk(const std::string& word) {
  return IsValidUtf8(word) ? Utf8ToGbk(word) : word;
}

std::wstring Wide(const std::string& text) {
  const std::u16string utf16 = GbkToUtf16(Gbk(text));
  return std::wstring(utf16.begin(), utf16.end());
}

// The environment variable `name` set to `value` while it lives, as it was after.
class Setting {
 public:
  Setting(const std::string& name, const std::string& value) : name_(Wide(name)) {
    wchar_t old[32768];
    const DWORD n = GetEnvironmentVariableW(name_.c_str(), old, 32768);
    if (n > 0 && n < 32768) old_ = std::wstring(old, n);
    SetEnvironmentVariableW(name_.c_str(), Wide(value).c_str());
  }
  ~Setting() { SetEnvironmentVariableW(name_.c_str(), old_ ? old_->c_str() : nullptr); }
  Setting(const Setting&) = delete;
  Setting& operator=(const Setting&) = delete;

 private:
  std::wstring name_;
  std::optional<std::wstring> old_;
};

class Handle {
 public:
  explicit Handle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
  ~Handle() { Close(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return h_; }
  HANDLE* out() { return &h_; }
  void Close() {
    if (h_ != INVALID_HANDLE_VALUE && h_ != nullptr) CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE h_;
};

// A pipe whose writing end the child inherits.
struct Pipe {
  Handle read, write;
  Pipe() {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    CreatePipe(read.out(), write.out(), &inherit, 0);
    SetHandleInformation(read.get(), HANDLE_FLAG_INHERIT, 0);
  }
};

std::string ReadAll(HANDLE h) {
  std::string text;
  char buf[4096];
  DWORD n = 0;
  while (ReadFile(h, buf, sizeof buf, &n, nullptr) && n > 0) text.append(buf, n);
  return text;
}

enum class Errors { kApart, kMerged, kDropped };

RanApart Run(const Words& words, Errors errors) {
  if (!words.error.empty()) return {kNotRun, {}, "the test's command needs " + words.error};
  std::vector<std::unique_ptr<Setting>> settings;
  for (const auto& [name, value] : words.assignments) {
    settings.push_back(std::make_unique<Setting>(name, value));
    if (name == "TMPDIR")
      for (const char* windows_name : {"TMP", "TEMP"})
        settings.push_back(std::make_unique<Setting>(windows_name, value));
  }
  std::vector<std::string> gbk;
  for (const std::string& word : words.argv) gbk.push_back(Gbk(word));
  std::wstring line = process::CommandLine(gbk);

  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  Handle null_in(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             OPEN_EXISTING, 0, nullptr));
  Handle null_out(CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                              OPEN_EXISTING, 0, nullptr));
  Pipe out, err;
  STARTUPINFOW start{};
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESTDHANDLES;
  start.hStdInput = null_in.get();
  start.hStdOutput = out.write.get();
  start.hStdError = errors == Errors::kApart    ? err.write.get()
                    : errors == Errors::kMerged ? out.write.get()
                                                : null_out.get();
  PROCESS_INFORMATION process{};
  const BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE,
                                      CREATE_NO_WINDOW, nullptr, nullptr, &start, &process);
  const DWORD error = GetLastError();
  settings.clear();
  if (!started)
    return {kNotRun,
            {},
            "cannot start " + words.argv[0] + " (Windows error " + std::to_string(error) + ")"};
  Handle process_handle(process.hProcess), thread_handle(process.hThread);
  // Only the child holds the writing ends now: reading ends when it does.
  out.write.Close();
  err.write.Close();
  std::string err_text;
  std::thread err_reader([&] { err_text = ReadAll(err.read.get()); });
  std::string out_text = ReadAll(out.read.get());
  err_reader.join();
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  return {static_cast<int>(code), std::move(out_text), std::move(err_text)};
}

}  // namespace

Ran RunCommand(const std::string& command, bool merge_stderr) {
  RanApart ran = Run(Split(command), merge_stderr ? Errors::kMerged : Errors::kDropped);
  return {ran.exit_code, ran.err.empty() ? ran.out : ran.out + ran.err};
}

RanApart RunApart(const std::string& command) {
  return Run(Split(command), Errors::kApart);
}

RanApart RunProgram(const std::vector<std::string>& argv) {
  Words words;
  words.argv = argv;
  if (argv.empty()) words.error = "no program";
  return Run(words, Errors::kApart);
}

}  // namespace qoru::test
