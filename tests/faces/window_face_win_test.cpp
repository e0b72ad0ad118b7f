// The Win32 window face on a real desktop (Wine on an Xvfb display of its own, see
// tests/faces/wine-desktop): the dialog's caption, size, owner and drawing (the banner,
// the status line, the bar's fill against the percentage), the close box, the start
// timer, a quit message and the error box. Screenshots go to screenshots/ under the
// working directory. The dialog in a whole DoIt call: window_face_do_it_win_test.cpp.
#include "faces/window/window_face_win.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <thread>

#include "faces/desktop_probe_win.h"
#include "faces/progress_bar.h"
#include "faces/window/banner_win.h"
#include "faces/window/dialog_layout.h"
#include "text/gbk_codec.h"

namespace qoru {
namespace {

using namespace std::chrono_literals;
using test::BgrImage;
using test::HostWindow;
using test::Rgb;

const std::wstring kCaption = L"账套文本数据预处理";

void Screenshot(const BgrImage& image, const std::string& name) {
  EXPECT_TRUE(test::WriteScreenshot(image, name)) << name;
}

std::uintptr_t Id(HWND window) {
  return reinterpret_cast<std::uintptr_t>(window);
}

int Count(const BgrImage& shot, const Rect& area, auto&& f) {
  int n = 0;
  for (int y = area.y; y < area.y + area.h; ++y)
    for (int x = area.x; x < area.x + area.w; ++x) n += f(shot.At(x, y)) ? 1 : 0;
  return n;
}

bool Dark(std::uint32_t rgb) {
  return ((rgb >> 16) & 0xFF) + ((rgb >> 8) & 0xFF) + (rgb & 0xFF) < 300;
}

// The bar's pixels that differ from its empty colour `empty`, along a row a few pixels
// below its top edge (above the percentage) and inside its frame. The frame's width is
// the system's: the common controls draw a one-pixel edge and, unthemed, a margin of
// the background colour inside it.
int FilledAlong(const BgrImage& shot, const DialogLayout& l, std::uint32_t empty) {
  const int x0 = l.panel.x + l.bar.x, y = l.panel.y + l.bar.y + 3;
  int n = 0;
  for (int x = x0 + 1; x < x0 + l.bar.w - 1; ++x) n += shot.At(x, y) != empty ? 1 : 0;
  return n;
}

// The colour of the empty bar, inside its frame.
std::uint32_t EmptyColour(const BgrImage& shot, const DialogLayout& l) {
  return shot.At(l.panel.x + l.bar.x + 4, l.panel.y + l.bar.y + 3);
}

Rect BarArea(const DialogLayout& l) {
  return {l.panel.x + l.bar.x + 2, l.panel.y + l.bar.y + 2, l.bar.w - 4, l.bar.h - 4};
}

Rect LabelArea(const DialogLayout& l) {
  const int x = l.panel.x + l.label.x, y = l.panel.y + l.label.y;
  return {x, y, l.panel.w - 1 - x, l.font_px + 2};
}

// Mean difference per channel between the banner band and the picture stretched to it.
double BannerDifference(const BgrImage& shot, const DialogLayout& l) {
  const BannerPixels expected = StretchedBannerPixels(l.banner.w, l.banner.h);
  if (expected.bgrx.empty()) return 255;
  double sum = 0;
  for (int y = 0; y < l.banner.h; ++y)
    for (int x = 0; x < l.banner.w; ++x) {
      const std::uint32_t a = shot.At(l.banner.x + x, l.banner.y + y);
      const std::uint32_t b = expected.bgrx[static_cast<std::size_t>(y) * l.banner.w + x];
      for (int k = 0; k < 24; k += 8)
        sum += std::abs(static_cast<int>((a >> k) & 0xFF) - static_cast<int>((b >> k) & 0xFF));
    }
  return sum / (l.banner.w * l.banner.h * 3);
}

int BannerColours(const BgrImage& shot, const DialogLayout& l) {
  std::map<std::uint32_t, int> colours;
  for (int y = 0; y < l.banner.h; ++y)
    for (int x = 0; x < l.banner.w; ++x) ++colours[shot.At(l.banner.x + x, l.banner.y + y)];
  return static_cast<int>(colours.size());
}

// Appends a window's text and "|" to the std::wstring at `lp`.
BOOL CALLBACK AppendText(HWND child, LPARAM lp) {
  wchar_t text[256];
  if (::GetWindowTextW(child, text, 256) > 0)
    *reinterpret_cast<std::wstring*>(lp) += std::wstring(text) + L"|";
  return TRUE;
}

// Lets the display draw what the face painted.
void Settle(WindowFaceWin32& face) {
  for (int i = 0; i < 10; ++i) {
    face.Repaint();
    face.ProcessMessages();
    std::this_thread::sleep_for(20ms);
  }
}

class WindowFaceWinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::HasDesktop()) GTEST_SKIP() << "needs a desktop: run by tests/faces/wine-desktop";
    bar_.set_listener([this](const ProgressBar& b) {
      if (face_) face_->ProgressChanged(b);
    });
  }
  void Show(std::uintptr_t owner, WindowFaceWin32::Options options = {}) {
    face_ = std::make_unique<WindowFaceWin32>(owner, options);
    face_->StatusChanged(Utf8ToGbk("正在拷贝数据，请稍候……"));
    face_->Shown(Utf8ToGbk("账套文本数据预处理"));
  }

  ProgressBar bar_;
  std::unique_ptr<WindowFaceWin32> face_;
  const DialogLayout layout_ = ScaledDialogLayout(96);
};

TEST_F(WindowFaceWinTest, DialogShowsCaptionBannerStatusAndTheBarFollowsThePercentage) {
  HostWindow host;
  Show(host.id());
  HWND dialog = face_->Window();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(::FindWindowW(nullptr, kCaption.c_str()), dialog);
  EXPECT_EQ(::GetWindow(dialog, GW_OWNER), reinterpret_cast<HWND>(host.id()));
  RECT client;
  ::GetClientRect(dialog, &client);
  EXPECT_EQ(client.right, 336);
  EXPECT_EQ(client.bottom, 89);
  Settle(*face_);

  const BgrImage start = test::GrabClient(Id(dialog));
  Screenshot(start, "window-win-start");
  EXPECT_GT(BannerColours(start, layout_), 100) << "the banner band is blank";
  EXPECT_LT(BannerDifference(start, layout_), 4.0) << "the band does not show the banner";
  EXPECT_EQ(start.At(layout_.panel.x + 5, layout_.panel.y + 3), Rgb(240, 240, 240));
  const std::uint32_t empty = EmptyColour(start, layout_);
  EXPECT_EQ(FilledAlong(start, layout_, empty), 0) << "the bar is not empty at 0 %";
  EXPECT_GT(Count(start, LabelArea(layout_), Dark), 50) << "no status text";
  EXPECT_GT(Count(start, BarArea(layout_), Dark), 10) << "no percentage text";

  face_->StatusChanged(Utf8ToGbk("正在处理凭证库，请稍候……"));
  bar_.SetTotalParts(250);
  bar_.SetPartsComplete(103);  // 41.2 %: 41 %
  Settle(*face_);
  const BgrImage mid = test::GrabClient(Id(dialog));
  Screenshot(mid, "window-win-mid-run");
  Screenshot(test::GrabWindow(Id(dialog)), "window-win-frame");  // with the frame drawn by Wine
  const Rect label = LabelArea(layout_);
  EXPECT_NE(Count(mid, label, Dark), 0);
  bool label_changed = false;
  for (int y = label.y; y < label.y + label.h && !label_changed; ++y)
    for (int x = label.x; x < label.x + label.w; ++x)
      label_changed |= mid.At(x, y) != start.At(x, y);
  EXPECT_TRUE(label_changed) << "the status line still shows the first status";
  // Past the middle the percentage is written in white over the fill.
  bar_.SetPartsComplete(250);
  Settle(*face_);
  const BgrImage full = test::GrabClient(Id(dialog));
  // The full bar gives the inside's width, the system's frame aside.
  const int inside = FilledAlong(full, layout_, empty);
  EXPECT_GE(inside, layout_.bar.w - 4);
  EXPECT_LE(inside, layout_.bar.w - 2);
  EXPECT_NEAR(FilledAlong(mid, layout_, empty), 41 * inside / 100.0, 1.0);
  EXPECT_GT(Count(full, BarArea(layout_), [](std::uint32_t p) { return p == Rgb(255, 255, 255); }),
            10)
      << "the percentage is not white over the fill";
}

TEST_F(WindowFaceWinTest, TheCloseBoxIsACloseRequestAndTheDialogStaysUntilItIsHidden) {
  Show(0, WindowFaceWin32::Options{0ms});
  HWND dialog = face_->Window();
  EXPECT_EQ(::GetWindow(dialog, GW_OWNER), nullptr);
  // While waiting for the timer: the request ends the wait at once.
  ::PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(face_->WaitEvent(true, 5000), FaceEvent::kCloseRequest);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
  // During the run: a yield reports it once, and the window stays.
  ::PostMessageW(dialog, WM_CLOSE, 0, 0);
  EXPECT_TRUE(face_->ProcessMessages());
  EXPECT_FALSE(face_->ProcessMessages());
  EXPECT_TRUE(::IsWindow(dialog));
  // Esc is no way out.
  ::PostMessageW(dialog, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_FALSE(face_->ProcessMessages());
}

TEST_F(WindowFaceWinTest, TheStartTimerTicksAfterItsInterval) {
  Show(0);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(face_->WaitEvent(true, 300), FaceEvent::kTimerTick);
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, 290ms);
  EXPECT_LT(waited, 3s);
}

TEST_F(WindowFaceWinTest, AQuitMessageClosesTheDialogAndIsPostedAgainForTheHost) {
  Show(0);
  ::PostQuitMessage(7);
  EXPECT_EQ(face_->WaitEvent(true, 5000), FaceEvent::kCloseRequest);
  face_->Hidden();
  MSG msg;
  ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 7u);
}

TEST_F(WindowFaceWinTest, TheErrorBoxIsTheSystemsMessageBoxOwnedByTheDialog) {
  HostWindow host;
  Show(host.id());
  HWND dialog = face_->Window();
  HWND box_owner = nullptr;
  std::wstring box_text;
  std::thread user([&] {
    // The user reads the box and presses Enter.
    for (int i = 0; i < 500; ++i) {
      HWND box = ::FindWindowW(L"#32770", L"错误");
      if (box != nullptr && ::IsWindowVisible(box)) {
        box_owner = ::GetWindow(box, GW_OWNER);
        ::EnumChildWindows(box, &AppendText, reinterpret_cast<LPARAM>(&box_text));
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        return;
      }
      std::this_thread::sleep_for(20ms);
    }
  });
  face_->ErrorBox("找不到表文件“JZPZ.txt”");
  user.join();
  EXPECT_EQ(box_owner, dialog);
  EXPECT_NE(box_text.find(L"找不到表文件“JZPZ.txt”"), std::wstring::npos) << box_text.size();
  EXPECT_TRUE(::IsWindow(dialog)) << "the dialog stays after the box";
}

}  // namespace
}  // namespace qoru
