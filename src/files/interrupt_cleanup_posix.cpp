// The interrupt on Linux: a handler for SIGINT, SIGTERM and SIGHUP, and for SIGPIPE (a
// reader of the output that went away, as `screen --json | head` does), that only writes
// the signal's number into a pipe (all that a handler may safely do), and a thread of
// its own that reads it, cleans up and ends the process with _exit, leaving the run's
// other threads and the exit handlers alone.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <thread>

#include "files/interrupt_cleanup.h"

namespace qoru {
namespace {

int g_wake[2] = {-1, -1};              // the pipe from the handler to the thread
std::atomic<bool> g_signalled{false};  // a signal came: the process ends by its code

void OnSignal(int signal) {
  g_signalled.store(true);
  const int saved = errno;
  const auto byte = static_cast<unsigned char>(signal);
  if (::write(g_wake[1], &byte, 1) < 0) {
  }
  errno = saved;
}

void Watch() {
  unsigned char signal = 0;
  for (;;) {
    const ssize_t n = ::read(g_wake[0], &signal, 1);
    if (n == 1) break;
    if (n < 0 && errno == EINTR) continue;
    return;
  }
  CleanUpAfterInterrupt(signal);
  ::_exit(128 + signal);
}

// A normal exit after a signal came, even before the thread has begun to clean up,
// waits for the thread's end of the process.
void HoldExit() {
  while (g_signalled.load()) ::pause();
  AwaitInterruptIfBegun();
}

}  // namespace

bool EndInterruptedRunsCleanly() {
  if (g_wake[0] >= 0) return true;
  if (::pipe2(g_wake, O_CLOEXEC) != 0) return false;
  std::thread(Watch).detach();
  // A normal exit that comes while the interrupt cleans up waits for its end.
  std::atexit(HoldExit);
  bool all = true;
  for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
    struct sigaction old {};
    if (::sigaction(signal, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    all = ::sigaction(signal, &action, nullptr) == 0 && all;
  }
  return all;
}

}  // namespace qoru
