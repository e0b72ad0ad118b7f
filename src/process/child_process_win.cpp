// Child processes on Windows: CreateProcessW with a command line quoted as the C
// runtime splits it again, the redirected files opened inheritable and handed down as
// the only inherited handles (a handle list), and WaitForMultipleObjects on the
// children's process handles. The children share the console, so Ctrl-C, Ctrl-Break
// and its closing reach each of them as they reach the parent, whose interrupt then
// waits until they have ended (each removing what it made).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "files/interrupt_cleanup.h"
#include "files/path_text.h"
#include "process/child_process.h"
#include "process/command_line_win.h"
#include "text/gbk_codec.h"

namespace qoru::process {
namespace {

std::wstring Wide(const std::string& gbk, bool path) {
  const std::u16string utf16 = GbkToUtf16(gbk);
  std::wstring wide(utf16.begin(), utf16.end());
  if (path)
    for (wchar_t& c : wide)
      if (c == L'/') c = L'\\';
  return wide;
}

// The system's text of an error code, with the code.
std::string ErrorText(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::u16string message(text, text + n);
  if (text != nullptr) LocalFree(text);
  while (!message.empty() && (message.back() == u'\n' || message.back() == u'\r' ||
                              message.back() == u' ' || message.back() == u'.'))
    message.pop_back();
  const std::string code = "错误 " + std::to_string(error);
  return message.empty() ? code : Utf16ToUtf8(message) + "（" + code + "）";
}

// One argument as the C runtime's command-line parser reads it back: quoted when it is
// empty or holds a blank, tab, newline or quote; a quote escaped by a backslash, and
// the backslashes before a quote (or before the closing quote) doubled.
void AppendQuoted(std::wstring& line, const std::wstring& word) {
  if (!word.empty() && word.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
    line += word;
    return;
  }
  line += L'"';
  std::size_t backslashes = 0;
  for (const wchar_t c : word) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    if (c == L'"') backslashes = backslashes * 2 + 1;
    line.append(backslashes, L'\\');
    backslashes = 0;
    line += c;
  }
  line.append(backslashes * 2, L'\\');
  line += L'"';
}

HANDLE OpenInheritable(const std::wstring& path, bool write) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return CreateFileW(path.c_str(), write ? GENERIC_WRITE : GENERIC_READ,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                     write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

struct Handles {
  HANDLE in = INVALID_HANDLE_VALUE, out = INVALID_HANDLE_VALUE, err = INVALID_HANDLE_VALUE;
  ~Handles() {
    for (HANDLE h : {in, out, err})
      if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
};

}  // namespace

std::wstring CommandLine(const std::vector<std::string>& words) {
  std::wstring line = L"\"" + Wide(words[0], true) + L"\"";
  for (std::size_t i = 1; i < words.size(); ++i) {
    line += L' ';
    AppendQuoted(line, Wide(words[i], false));
  }
  return line;
}

// How long an interrupted run waits for its children to remove what they made.
constexpr DWORD kChildrenGraceMs = 30000;

struct ChildProcesses::Children {
  std::mutex mutex;  // over tags and stopping
  std::map<HANDLE, std::size_t> tags;
  bool stopping = false;  // interrupted: no child starts any more
  std::optional<InterruptStep> step;

  // The interrupt's step: the wait until each child has ended.
  void Interrupt(int /*signal*/) {
    std::vector<HANDLE> waited;
    {
      std::lock_guard lock(mutex);
      stopping = true;
      for (const auto& [process, tag] : tags) {
        HANDLE copy = nullptr;
        if (DuplicateHandle(GetCurrentProcess(), process, GetCurrentProcess(), &copy, SYNCHRONIZE,
                            FALSE, 0))
          waited.push_back(copy);
      }
    }
    for (std::size_t from = 0; from < waited.size(); from += MAXIMUM_WAIT_OBJECTS) {
      const DWORD count =
          static_cast<DWORD>(std::min<std::size_t>(waited.size() - from, MAXIMUM_WAIT_OBJECTS));
      WaitForMultipleObjects(count, waited.data() + from, TRUE, kChildrenGraceMs);
    }
    for (HANDLE h : waited) CloseHandle(h);
  }
};

ChildProcesses::ChildProcesses() : children_(std::make_unique<Children>()) {
  Children* children = children_.get();
  children_->step.emplace([children](int signal) { children->Interrupt(signal); });
}

ChildProcesses::~ChildProcesses() {
  children_->step.reset();
  for (const auto& [process, tag] : children_->tags) CloseHandle(process);
}

bool ChildProcesses::Start(std::size_t tag, const std::vector<std::string>& words,
                           const std::string& out_path, const std::string& err_path,
                           std::string* error) {
  const auto fail = [&](const std::string& what) {
    *error = "无法启动检查进程：" + what;
    return false;
  };
  Handles h;
  h.in = OpenInheritable(L"NUL", false);
  if (h.in == INVALID_HANDLE_VALUE) return fail(ErrorText(GetLastError()));
  h.out = OpenInheritable(Wide(out_path, true), true);
  if (h.out == INVALID_HANDLE_VALUE)
    return fail("无法创建文件“" + PathText(out_path) + "”：" + ErrorText(GetLastError()));
  h.err = OpenInheritable(Wide(err_path, true), true);
  if (h.err == INVALID_HANDLE_VALUE)
    return fail("无法创建文件“" + PathText(err_path) + "”：" + ErrorText(GetLastError()));

  // Only these three handles reach the child, whatever else of this process is
  // inheritable.
  HANDLE inherited[] = {h.in, h.out, h.err};
  SIZE_T size = 0;
  InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
  std::vector<char> storage(size);
  auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage.data());
  if (!InitializeProcThreadAttributeList(attributes, 1, 0, &size))
    return fail(ErrorText(GetLastError()));
  if (!UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited,
                                 sizeof inherited, nullptr, nullptr)) {
    const DWORD e = GetLastError();
    DeleteProcThreadAttributeList(attributes);
    return fail(ErrorText(e));
  }
  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof startup;
  startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  startup.StartupInfo.hStdInput = h.in;
  startup.StartupInfo.hStdOutput = h.out;
  startup.StartupInfo.hStdError = h.err;
  startup.lpAttributeList = attributes;
  const std::wstring program = Wide(words[0], true);
  std::wstring line = CommandLine(words);
  std::lock_guard lock(children_->mutex);
  if (children_->stopping) {
    DeleteProcThreadAttributeList(attributes);
    *error = "运行已中断";
    return false;
  }
  PROCESS_INFORMATION process{};
  const BOOL started = CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE,
                                      EXTENDED_STARTUPINFO_PRESENT, nullptr, nullptr,
                                      &startup.StartupInfo, &process);
  const DWORD e = GetLastError();
  DeleteProcThreadAttributeList(attributes);
  if (!started) return fail(ErrorText(e));
  CloseHandle(process.hThread);
  children_->tags[process.hProcess] = tag;
  return true;
}

bool ChildProcesses::WaitAny(ChildEnd* end) {
  // WaitForMultipleObjects watches up to 64 handles: more children are watched 64 at a
  // time, in turns.
  std::vector<HANDLE> handles;
  {
    std::lock_guard lock(children_->mutex);
    for (const auto& [process, tag] : children_->tags) handles.push_back(process);
  }
  if (handles.empty()) return false;
  HANDLE ended = nullptr;
  for (std::size_t from = 0; ended == nullptr;
       from = (from + MAXIMUM_WAIT_OBJECTS) % handles.size()) {
    const DWORD count =
        static_cast<DWORD>(std::min<std::size_t>(handles.size() - from, MAXIMUM_WAIT_OBJECTS));
    const DWORD wait = handles.size() <= MAXIMUM_WAIT_OBJECTS ? INFINITE : 50;
    const DWORD r = WaitForMultipleObjects(count, handles.data() + from, FALSE, wait);
    if (r == WAIT_FAILED) return false;
    if (r < WAIT_OBJECT_0 + count) ended = handles[from + (r - WAIT_OBJECT_0)];
  }
  std::lock_guard lock(children_->mutex);
  DWORD code = 0;
  const BOOL known = GetExitCodeProcess(ended, &code);
  CloseHandle(ended);
  *end = ChildEnd{};
  end->tag = children_->tags[ended];
  children_->tags.erase(ended);
  // An exception that ended the process leaves its code (0xC0000005 and the like).
  if (!known || code >= 0xC0000000u) {
    char text[32];
    std::snprintf(text, sizeof text, "代码 0x%08lX", static_cast<unsigned long>(code));
    end->abnormal = text;
  } else {
    end->exit_code = static_cast<int>(code);
  }
  return true;
}

std::size_t ChildProcesses::running() const {
  std::lock_guard lock(children_->mutex);
  return children_->tags.size();
}

std::string SelfPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return "qoru-gbtxt.exe";
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  std::u16string utf16(path.begin(), path.end());
  for (char16_t& c : utf16)
    if (c == u'\\') c = u'/';
  return Utf8ToGbk(Utf16ToUtf8(utf16));
}

}  // namespace qoru::process
