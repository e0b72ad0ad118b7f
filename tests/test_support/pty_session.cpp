#include "test_support/pty_session.h"

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>

#include "text/display_width.h"

namespace qoru::test {

PtySession::PtySession(const std::vector<std::string>& argv, int columns) {
  struct winsize ws {};
  ws.ws_row = 24;
  ws.ws_col = static_cast<unsigned short>(columns);
  pid_ = ::forkpty(&master_, nullptr, nullptr, &ws);
  if (pid_ < 0) throw std::runtime_error("forkpty failed");
  if (pid_ == 0) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
}

PtySession::~PtySession() {
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  if (master_ >= 0) ::close(master_);
}

bool PtySession::ReadSome(int timeout_ms) {
  struct pollfd pfd {
    master_, POLLIN, 0
  };
  if (::poll(&pfd, 1, timeout_ms) <= 0) return true;
  char buf[4096];
  const ssize_t n = ::read(master_, buf, sizeof buf);
  if (n <= 0) return false;  // EIO once the command's side is closed
  output_.append(buf, static_cast<std::size_t>(n));
  return true;
}

bool PtySession::ReadUntil(const std::function<bool(const std::string&)>& until, int timeout_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!until(output_)) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    if (!ReadSome(20)) return until(output_);
  }
  return true;
}

void PtySession::Type(const std::string& bytes) {
  if (::write(master_, bytes.data(), bytes.size()) < 0) throw std::runtime_error("write to pty");
}

int PtySession::Wait(int timeout_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (std::chrono::steady_clock::now() < deadline && ReadSome(20)) {
  }
  int status = 0;
  while (std::chrono::steady_clock::now() < deadline) {
    const pid_t done = ::waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
      pid_ = -1;
      while (ReadSome(0)) {
      }
      if (WIFEXITED(status)) return WEXITSTATUS(status);
      return 128 + WTERMSIG(status);
    }
    ::usleep(10000);
  }
  return -1;
}

std::vector<std::string> ScreenLines(const std::string& output, std::size_t* widest) {
  std::vector<std::string> lines;
  std::string line;
  std::size_t cursor = 0;  // byte position of the cursor in `line`
  *widest = 0;
  for (std::size_t i = 0; i < output.size(); ++i) {
    const char c = output[i];
    if (c == '\x1b' && i + 1 < output.size() && output[i + 1] == '[') {
      std::size_t j = i + 2;
      while (j < output.size() && !std::isalpha(static_cast<unsigned char>(output[j]))) ++j;
      if (j < output.size() && output[j] == 'K') {
        *widest = std::max(*widest, DisplayColumns(line));
        line.resize(cursor);
      }
      i = j;
      continue;
    }
    if (c == '\r') {
      *widest = std::max(*widest, DisplayColumns(line));
      cursor = 0;
      continue;
    }
    if (c == '\n') {
      *widest = std::max(*widest, DisplayColumns(line));
      lines.push_back(line);
      line.clear();
      cursor = 0;
      continue;
    }
    // Writing over what is there: replace from the cursor on (good enough for lines
    // that are always redrawn whole and then erased to their end).
    if (cursor < line.size()) line.resize(cursor);
    line.push_back(c);
    cursor = line.size();
  }
  *widest = std::max(*widest, DisplayColumns(line));
  if (!line.empty()) lines.push_back(line);
  return lines;
}

}  // namespace qoru::test
