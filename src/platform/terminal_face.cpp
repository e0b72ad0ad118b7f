#include "platform/terminal_face.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <thread>

#include <fmt/format.h>

#include "platform/gbk_codec.h"
#include "platform/progress_bar.h"

namespace qoru {
namespace {

std::atomic<bool> g_interrupted{false};

void OnInterrupt(int) {
  g_interrupted.store(true, std::memory_order_relaxed);
}

constexpr auto kRedrawEvery = std::chrono::milliseconds(50);
constexpr int kBarWidth = 30;

}  // namespace

TerminalFace::TerminalFace()
    : interactive_(::isatty(STDERR_FILENO) != 0),
      input_interactive_(::isatty(STDIN_FILENO) != 0 && ::isatty(STDERR_FILENO) != 0) {}

TerminalFace::~TerminalFace() {
  Hidden();
}

void TerminalFace::Shown(const std::string& caption_gbk) {
  caption_ = GbkToUtf8(caption_gbk);
  g_interrupted.store(false);
  struct sigaction sa {};
  sa.sa_handler = OnInterrupt;
  sigemptyset(&sa.sa_mask);
  if (::sigaction(SIGINT, &sa, &old_action_) == 0) handler_installed_ = true;
  if (!interactive_) std::fprintf(stderr, "%s\n", caption_.c_str());
}

void TerminalFace::Hidden() {
  if (handler_installed_) {
    ::sigaction(SIGINT, &old_action_, nullptr);
    handler_installed_ = false;
    if (interactive_) {
      Redraw();
      std::fputc('\n', stderr);
    }
  }
}

bool TerminalFace::TakeInterrupt() {
  return g_interrupted.exchange(false, std::memory_order_relaxed);
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
    if (dirty_) Redraw();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

bool TerminalFace::ProcessMessages() {
  if (dirty_ && interactive_) {
    const auto now = Clock::now();
    if (now - last_draw_ >= kRedrawEvery) Redraw();
  }
  if (!g_interrupted.load(std::memory_order_relaxed)) return false;
  TakeInterrupt();
  if (!told_finish_first_) {
    told_finish_first_ = true;
    if (interactive_) std::fputc('\n', stderr);
    std::fprintf(stderr, "已收到关闭请求：转换完成后对话框将关闭。\n");
  }
  return true;
}

void TerminalFace::StatusChanged(const std::string& text_gbk) {
  status_ = GbkToUtf8(text_gbk);
  if (interactive_) {
    dirty_ = true;
  } else {
    std::fprintf(stderr, "%s\n", status_.c_str());
  }
}

void TerminalFace::ProgressChanged(const ProgressBar& bar) {
  if (bar.Percent() != percent_) {
    percent_ = bar.Percent();
    dirty_ = true;
  }
}

void TerminalFace::Redraw() {
  dirty_ = false;
  last_draw_ = Clock::now();
  if (!interactive_) return;
  const int filled = percent_ * kBarWidth / 100;
  std::string bar(static_cast<std::size_t>(filled), '#');
  bar.append(static_cast<std::size_t>(kBarWidth - filled), '.');
  std::fprintf(stderr, "\r%s [%s] %u%%\x1b[K", status_.c_str(), bar.c_str(),
               static_cast<unsigned>(percent_));
  std::fflush(stderr);
}

void TerminalFace::Notice(const std::string& message) {
  if (interactive_) std::fputc('\n', stderr);
  std::fprintf(stderr, "%s\n", message.c_str());
  dirty_ = true;
}

void TerminalFace::ErrorBox(const std::string& message) {
  if (interactive_) std::fputc('\n', stderr);
  std::fprintf(stderr, "错误：%s\n", message.c_str());
  if (input_interactive_) {
    std::fprintf(stderr, "按回车键关闭对话框。");
    std::fflush(stderr);
    int c;
    while ((c = std::getchar()) != EOF && c != '\n') {
    }
  }
  close_pending_ = true;
}

}  // namespace qoru
