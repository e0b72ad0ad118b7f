#include "faces/console_relay_win.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace qoru::console {
namespace {

constexpr wchar_t kRelayVariable[] = L"QORU_CONSOLE_RELAY";

struct Relay {
  int fd = -1;
  int saved_fd = -1;  // the descriptor's console, kept for the end
  HANDLE console = INVALID_HANDLE_VALUE;
  HANDLE read_end = INVALID_HANDLE_VALUE;
  HANDLE thread = nullptr;
  bool escapes = false;  // whether the console itself reads the control sequences
};

Relay g_relays[2];  // stdout, stderr

// The length of the longest start of `bytes` that ends on a whole UTF-8 character (or
// on a byte that can start none).
std::size_t WholeCharacters(const std::string& bytes) {
  std::size_t n = bytes.size();
  for (std::size_t back = 1; back <= 3 && back <= n; ++back) {
    const auto c = static_cast<unsigned char>(bytes[n - back]);
    if ((c & 0xC0) == 0x80) continue;  // a continuation byte: look further back
    const std::size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    return length > back ? n - back : n;
  }
  return n;
}

// Drops the control sequences (ESC [ ... final byte) for a console that does not read
// them itself.
std::wstring WithoutEscapes(const std::wstring& text) {
  std::wstring out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\x1b' && i + 1 < text.size() && text[i + 1] == L'[') {
      i += 2;
      while (i < text.size() && !(text[i] >= 0x40 && text[i] <= 0x7E)) ++i;
      continue;
    }
    out += text[i];
  }
  return out;
}

void Show(const Relay& relay, const std::string& utf8) {
  if (utf8.empty()) return;
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring text(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), n);
  if (!relay.escapes) text = WithoutEscapes(text);
  for (std::size_t done = 0; done < text.size();) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 8192));
    if (!WriteConsoleW(relay.console, text.data() + done, chunk, &written, nullptr) || written == 0)
      return;
    done += written;
  }
}

DWORD WINAPI RelayThread(void* parameter) {
  const Relay& relay = *static_cast<Relay*>(parameter);
  std::string pending;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(relay.read_end, buffer, sizeof buffer, &got, nullptr) && got > 0) {
    pending.append(buffer, got);
    const std::size_t whole = WholeCharacters(pending);
    Show(relay, pending.substr(0, whole));
    pending.erase(0, whole);
  }
  Show(relay, pending);
  return 0;
}

void Announce() {
  std::wstring value = std::to_wstring(GetCurrentProcessId());
  for (const Relay& r : g_relays)
    if (r.thread != nullptr) value += L" " + std::to_wstring(r.fd);
  SetEnvironmentVariableW(kRelayVariable,
                          value.find(L' ') == std::wstring::npos ? nullptr : value.c_str());
}

}  // namespace

bool StartRelay(int fd) {
  if (fd != 1 && fd != 2) return false;
  Relay& relay = g_relays[fd - 1];
  if (relay.thread != nullptr) return true;
  const auto console = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  DWORD mode = 0;
  if (console == INVALID_HANDLE_VALUE || !GetConsoleMode(console, &mode)) return false;
  relay.escapes = (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
                  SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
  HANDLE read_end = INVALID_HANDLE_VALUE;
  HANDLE write_end = INVALID_HANDLE_VALUE;
  if (!CreatePipe(&read_end, &write_end, nullptr, 0)) return false;
  const int write_fd = _open_osfhandle(reinterpret_cast<intptr_t>(write_end), _O_WRONLY);
  if (write_fd < 0) {
    CloseHandle(read_end);
    CloseHandle(write_end);
    return false;
  }
  std::fflush(fd == 1 ? stdout : stderr);
  relay.fd = fd;
  relay.saved_fd = _dup(fd);
  relay.console = reinterpret_cast<HANDLE>(_get_osfhandle(relay.saved_fd));
  relay.read_end = read_end;
  relay.thread = CreateThread(nullptr, 0, RelayThread, &relay, 0, nullptr);
  if (relay.saved_fd < 0 || relay.thread == nullptr || _dup2(write_fd, fd) != 0) {
    _close(write_fd);
    if (relay.thread != nullptr) {
      WaitForSingleObject(relay.thread, INFINITE);
      CloseHandle(relay.thread);
    }
    if (relay.saved_fd >= 0) _close(relay.saved_fd);
    CloseHandle(read_end);
    relay = Relay{};
    return false;
  }
  _close(write_fd);
  SetStdHandle(fd == 1 ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE,
               reinterpret_cast<HANDLE>(_get_osfhandle(fd)));
  Announce();
  return true;
}

void StopRelays(unsigned milliseconds) {
  for (Relay& relay : g_relays) {
    if (relay.thread == nullptr) continue;
    std::fflush(relay.fd == 1 ? stdout : stderr);
    // The descriptor takes its console back, which closes the pipe's writing end: the
    // thread reads to the end and stops.
    _dup2(relay.saved_fd, relay.fd);
    SetStdHandle(relay.fd == 1 ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE,
                 reinterpret_cast<HANDLE>(_get_osfhandle(relay.fd)));
    if (WaitForSingleObject(relay.thread, milliseconds) != WAIT_OBJECT_0) continue;
    CloseHandle(relay.thread);
    CloseHandle(relay.read_end);
    _close(relay.saved_fd);
    relay = Relay{};
  }
  Announce();
}

bool IsRelayed(int fd) {
  wchar_t value[64];
  const DWORD n = GetEnvironmentVariableW(kRelayVariable, value, 64);
  if (n == 0 || n >= 64) return false;
  const std::wstring text(value, n);
  const std::wstring pid = std::to_wstring(GetCurrentProcessId());
  if (text.compare(0, pid.size() + 1, pid + L" ") != 0) return false;
  return text.find(L" " + std::to_wstring(fd), pid.size()) != std::wstring::npos;
}

}  // namespace qoru::console
