#include "faces/xvfb_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace qoru::test {
namespace {

pid_t g_server = 0;
pid_t g_starter = 0;  // the process that started it; a forked child leaves it alone

void StopServer() {
  if (g_server <= 0 || ::getpid() != g_starter) return;
  ::kill(g_server, SIGTERM);
  ::waitpid(g_server, nullptr, 0);
  g_server = 0;
}

}  // namespace

const XvfbServer& XvfbServer::Shared() {
  static const XvfbServer server;
  return server;
}

XvfbServer::XvfbServer() {
  const char* binary = QORU_XVFB;
  if (::access(binary, X_OK) != 0) {
    error_ = std::string("Xvfb is not installed at ") + binary +
             ": install the Debian package xvfb (scripts/install-deps test)";
    return;
  }
  int fds[2];
  if (::pipe(fds) != 0) {
    error_ = "pipe failed";
    return;
  }
  const pid_t parent = ::getpid();
  const pid_t pid = ::fork();
  if (pid == 0) {
    // The server goes with the test process, however that ends.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) ::_exit(1);
    ::close(fds[0]);
    const int devnull = ::open("/dev/null", O_RDWR);
    ::dup2(devnull, STDIN_FILENO);
    ::dup2(devnull, STDOUT_FILENO);
    ::dup2(devnull, STDERR_FILENO);
    const std::string fd = std::to_string(fds[1]);
    ::execl(binary, binary, "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-dpi", "96",
            "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(fds[1]);
  if (pid < 0) {
    ::close(fds[0]);
    error_ = "fork failed";
    return;
  }
  g_server = pid;
  g_starter = parent;
  std::atexit(StopServer);
  // The server writes its display number once it accepts connections.
  std::string number;
  pollfd p{fds[0], POLLIN, 0};
  while (::poll(&p, 1, 20000) > 0) {
    char c;
    if (::read(fds[0], &c, 1) != 1 || c == '\n') break;
    number.push_back(c);
  }
  ::close(fds[0]);
  if (number.empty()) {
    error_ = std::string("Xvfb did not start (") + binary + ")";
    StopServer();
    return;
  }
  display_ = ":" + number;
  ::setenv("DISPLAY", display_.c_str(), 1);
}

}  // namespace qoru::test
