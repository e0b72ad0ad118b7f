// The console on Linux: isatty, the terminal's width from the kernel, and sigaction
// for SIGINT and SIGWINCH.
#include <signal.h>
#include <unistd.h>

#include "faces/console.h"
#include "text/display_width.h"

namespace qoru::console {
namespace {

struct sigaction g_old_interrupt {};
struct sigaction g_old_resize {};
void (*g_interrupt)() = nullptr;
void (*g_resize)() = nullptr;

void OnInterrupt(int) {
  if (g_interrupt != nullptr) g_interrupt();
}

void OnResize(int) {
  if (g_resize != nullptr) g_resize();
}

}  // namespace

void UseUtf8Consoles() {}

bool StdinIsTerminal() {
  return ::isatty(STDIN_FILENO) != 0;
}

bool StderrIsTerminal() {
  return ::isatty(STDERR_FILENO) != 0;
}

int StderrColumns() {
  return TerminalColumns(STDERR_FILENO);
}

bool InstallHandlers(void (*interrupt)(), void (*resize)()) {
  g_interrupt = interrupt;
  g_resize = resize;
  struct sigaction sa {};
  sa.sa_handler = OnInterrupt;
  sigemptyset(&sa.sa_mask);
  struct sigaction resized {};
  resized.sa_handler = OnResize;
  sigemptyset(&resized.sa_mask);
  resized.sa_flags = SA_RESTART;
  if (::sigaction(SIGINT, &sa, &g_old_interrupt) != 0) return false;
  ::sigaction(SIGWINCH, &resized, &g_old_resize);
  return true;
}

void RestoreHandlers() {
  ::sigaction(SIGINT, &g_old_interrupt, nullptr);
  ::sigaction(SIGWINCH, &g_old_resize, nullptr);
}

void WriteFromHandler(const char* text, std::size_t length) {
  if (::write(STDERR_FILENO, text, length) < 0) {
  }
}

void ExitFromHandler(int code) {
  ::_exit(code);
}

}  // namespace qoru::console
