// An X server for the window face's tests: Xvfb, started once per test process on a
// display number that it picks itself (so that parallel test processes never collide),
// with one 1024 x 768 screen of 24-bit colour at 96 dots per inch and no network
// listener. DISPLAY names it from then on; it stops when the process ends.
#pragma once

#include <string>

namespace qoru::test {

class XvfbServer {
 public:
  // The server of this process, started on first use.
  static const XvfbServer& Shared();

  bool ok() const { return error_.empty(); }
  const std::string& error() const { return error_; }  // why it could not start
  const std::string& display() const { return display_; }

  static constexpr int kScreenWidth = 1024;
  static constexpr int kScreenHeight = 768;

 private:
  XvfbServer();
  std::string display_;
  std::string error_;
};

}  // namespace qoru::test
