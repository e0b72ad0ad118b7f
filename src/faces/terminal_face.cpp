#include "faces/terminal_face.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <thread>

#include <fmt/format.h>

#include "faces/console.h"
#include "faces/progress_bar.h"
#include "text/control_escape.h"
#include "text/display_width.h"
#include "text/gbk_codec.h"

namespace qoru {
namespace {

std::atomic<bool> g_interrupted{false};  // a Ctrl-C not yet taken by the face
std::atomic<bool> g_running{false};      // the run is under way
std::atomic<int> g_run_interrupts{0};    // Ctrl-C presses during the run
std::atomic<bool> g_resized{false};      // the terminal changed its size

// What the second Ctrl-C writes before the process ends; filled before the handler
// can run, since a signal handler may only call write().
char g_abort_text[256];
std::size_t g_abort_length = 0;

void OnInterrupt() {
  g_interrupted.store(true, std::memory_order_relaxed);
  if (g_running.load(std::memory_order_relaxed) &&
      g_run_interrupts.fetch_add(1, std::memory_order_relaxed) >= 1) {
    console::WriteFromHandler(g_abort_text, g_abort_length);
    console::ExitFromHandler(130);
  }
}

void OnResize() {
  g_resized.store(true, std::memory_order_relaxed);
}

constexpr auto kRedrawEvery = std::chrono::milliseconds(50);
constexpr int kBarWidth = 30;     // columns of the bar when there is room
constexpr int kMinBarWidth = 10;  // below this the bar is left out

}  // namespace

TerminalFace::TerminalFace()
    : interactive_(console::StderrIsTerminal()),
      input_interactive_(console::StdinIsTerminal() && console::StderrIsTerminal()) {}

TerminalFace::~TerminalFace() {
  Hidden();
}

void TerminalFace::Shown(const std::string& caption_gbk) {
  caption_ = GbkToUtf8(caption_gbk);
  g_interrupted.store(false);
  g_running.store(false);
  g_run_interrupts.store(0);
  const std::string abort_text = std::string(interactive_ ? "\r\x1b[K" : "") +
                                 "已中止：再次按下了 Ctrl-C。数据库保留已提交的行。\n";
  g_abort_length = std::min(abort_text.size(), sizeof g_abort_text);
  std::memcpy(g_abort_text, abort_text.data(), g_abort_length);

  handlers_installed_ = console::InstallHandlers(OnInterrupt, OnResize);
  if (!interactive_) std::fprintf(stderr, "%s\n", caption_.c_str());
}

void TerminalFace::Hidden() {
  g_running.store(false);
  if (!handlers_installed_) return;
  console::RestoreHandlers();
  handlers_installed_ = false;
  ClearLine();
}

void TerminalFace::StateChanged(DialogState state) {
  g_running.store(state == DialogState::kRunning, std::memory_order_relaxed);
}

bool TerminalFace::TakeInterrupt() {
  return g_interrupted.exchange(false, std::memory_order_relaxed);
}

int TerminalFace::Columns() const {
  return console::StderrColumns();
}

FaceEvent TerminalFace::WaitEvent(bool timer_enabled, int interval_ms) {
  if (!timer_enabled) timer_armed_ = false;
  if (timer_enabled && !timer_armed_) {
    timer_armed_ = true;
    timer_due_ = Clock::now() + std::chrono::milliseconds(interval_ms);
  }
  while (true) {
    if (close_pending_) {
      close_pending_ = false;
      return FaceEvent::kCloseRequest;
    }
    if (TakeInterrupt()) return FaceEvent::kCloseRequest;
    if (!timer_enabled) return FaceEvent::kCloseRequest;  // nothing else can come
    if (Clock::now() >= timer_due_) {
      timer_armed_ = false;
      return FaceEvent::kTimerTick;
    }
    if (dirty_ || g_resized.exchange(false)) Redraw();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

bool TerminalFace::ProcessMessages() {
  if (interactive_ && (dirty_ || g_resized.load(std::memory_order_relaxed))) {
    const auto now = Clock::now();
    if (now - last_draw_ >= kRedrawEvery) {
      g_resized.store(false, std::memory_order_relaxed);
      Redraw();
    }
  }
  if (!g_interrupted.load(std::memory_order_relaxed)) return false;
  TakeInterrupt();
  if (!told_finish_first_) {
    told_finish_first_ = true;
    PrintMessage("已收到关闭请求：转换完成后对话框将关闭。再按一次 Ctrl-C 立即中止转换。");
  }
  return true;
}

void TerminalFace::StatusChanged(const std::string& text_gbk) {
  // Shown as text whatever it holds: the status line is laid out in its shown form.
  status_ = EscapeControls(GbkToUtf8(text_gbk));
  if (interactive_) {
    dirty_ = true;
  } else {
    ShowText(stderr, status_ + "\n");
  }
}

void TerminalFace::ProgressChanged(const ProgressBar& bar) {
  if (bar.Percent() != percent_) {
    percent_ = bar.Percent();
    dirty_ = true;
  }
}

std::string TerminalFace::StatusLine(const std::string& status_utf8, int percent, int columns) {
  const std::size_t room = columns > 1 ? static_cast<std::size_t>(columns - 1) : 0;
  const std::string tail = fmt::format(" {}%", static_cast<unsigned>(percent));
  const std::size_t status_columns = DisplayColumns(status_utf8);
  if (room >= status_columns + tail.size() + 3 + kMinBarWidth) {
    const std::size_t width =
        std::min<std::size_t>(kBarWidth, room - status_columns - tail.size() - 3);
    const std::size_t filled = static_cast<std::size_t>(percent) * width / 100;
    std::string line = status_utf8 + " [";
    line.append(filled, '#');
    line.append(width - filled, '.');
    return line + "]" + tail;
  }
  if (room > tail.size()) return FitColumns(status_utf8, room - tail.size()) + tail;
  return FitColumns(tail.substr(1), room);
}

void TerminalFace::Redraw() {
  dirty_ = false;
  last_draw_ = Clock::now();
  if (!interactive_) return;
  const std::string line = StatusLine(status_, percent_, Columns());
  std::fprintf(stderr, "\r%s\x1b[K", line.c_str());
  std::fflush(stderr);
  drawn_ = true;
}

void TerminalFace::ClearLine() {
  if (!interactive_ || !drawn_) return;
  std::fputs("\r\x1b[K", stderr);
  std::fflush(stderr);
  drawn_ = false;
}

void TerminalFace::PrintMessage(const std::string& message) {
  ClearLine();
  if (!interactive_) {
    ShowText(stderr, message + "\n");
    return;
  }
  // Broken into lines by hand, so that the terminal never wraps a line of ours.
  for (const std::string& line : TerminalLines(EscapeControls(message), Columns()))
    ShowText(stderr, line + "\n");
  std::fflush(stderr);
  dirty_ = true;
}

void TerminalFace::Notice(const std::string& message) {
  PrintMessage(message);
}

void TerminalFace::ErrorBox(const std::string& message) {
  PrintMessage("错误：" + message);
  if (input_interactive_) {
    std::fprintf(stderr, "按回车键关闭对话框。");
    std::fflush(stderr);
    int c;
    while ((c = std::getchar()) != EOF && c != '\n') {
    }
  }
  close_pending_ = true;
}

void TerminalFace::Finished(bool ok, const std::string& text) {
  ClearLine();
  const std::string line = EscapeControls((ok ? "转换完成：" : "转换未成功：") + text);
  ShowText(
      stderr,
      (interactive_ ? FitColumns(line, static_cast<std::size_t>(Columns() - 1)) : line) + "\n");
  std::fflush(stderr);
}

}  // namespace qoru
