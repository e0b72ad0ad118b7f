// The window face under a real X server (Xvfb): the dialog's caption, size and
// drawing, the banner, the bar's fill against the percentage, closing the dialog
// before and during the run, the error box and the owner window. Each test converts a
// book set with DoIt in this process while a probe on its own X connection plays the
// user and the window manager (window_face_fixture.h). Screenshots go to
// <build>/screenshots/. The error box has a file of its own.
#include "faces/window/window_face.h"

#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <thread>

#include <FL/Fl_Image.H>
#include <FL/fl_draw.H>

#include "faces/progress_bar.h"
#include "faces/window/banner.h"
#include "faces/window/dialog_layout.h"
#include "faces/window/dialog_window.h"
#include "faces/window/x_display.h"
#include "faces/window_face_fixture.h"
#include "faces/x11_probe.h"
#include "faces/xvfb_server.h"
#include "gendata/dataset.h"
#include "host/owner_window.h"
#include "plugin/do_it.h"
#include "test_support/bookset.h"
#include "text/gbk_codec.h"

namespace qoru {
namespace {

using namespace window_test;

TEST_F(WindowFaceTest, DialogShowsCaptionSizeBannerAndTheBarFollowsThePercentage) {
  test::Workspace ws;
  WriteDataset(ws, 300);
  Watch watch;
  bool start_checked = false, mid_checked = false;
  std::vector<std::uint8_t> start_label;
  watch.on_waiting = [&](WindowFace& face) {
    face.Repaint();
    const unsigned long window = face.WindowId();
    ASSERT_NE(window, 0u);
    EXPECT_EQ(probe_->Caption(window), kCaption);
    // 336 x 89, in the middle of the 1024 x 768 screen.
    EXPECT_EQ(probe_->Geometry(window), (Rect{344, 339, 336, 89}));
    const RgbImage shot = probe_->Grab(window);
    Screenshot(shot, "window-start");
    EXPECT_GT(BannerColours(shot), 100) << "the banner band is blank";
    EXPECT_LT(BannerDifference(shot), 2.0) << "the banner band does not show the banner";
    EXPECT_TRUE(Is(shot.At(kLayout.panel.x + 5, kLayout.panel.y + 3), 240, 240, 240));
    EXPECT_EQ(FillWidthOf(shot), 0);
    EXPECT_GT(Count(shot, LabelArea(), Dark), 50) << "no status text";
    EXPECT_GT(Count(shot, BarInterior(), Dark), 10) << "no percentage text";
    const Rect label = LabelArea();
    for (int y = label.y; y < label.y + label.h; ++y)
      start_label.insert(start_label.end(), shot.At(label.x, y), shot.At(label.x + label.w, y));
    start_checked = true;
  };
  watch.on_yield = [&](WindowFace& face, int percent, const std::string& status) {
    if (mid_checked || status.find("凭证") == std::string::npos || percent < 40) return;
    mid_checked = true;
    face.Repaint();
    const RgbImage shot = probe_->Grab(face.WindowId());
    Screenshot(shot, "window-mid-run");
    const int inner = BarInterior().w;
    EXPECT_NEAR(FillWidthOf(shot), percent * inner / 100.0, 1.0) << percent << "%";
    // The percentage is written in white over the fill or dark beside it.
    const Rect middle{BarInterior().x + inner / 2 - 15, BarInterior().y, 30, BarInterior().h};
    EXPECT_GT(Count(shot, middle, [](const std::uint8_t* p) { return Is(p, 255, 255, 255); }) +
                  Count(shot, middle, Dark),
              10);
    // The status line now shows the voucher pass.
    std::vector<std::uint8_t> label;
    const Rect l = LabelArea();
    for (int y = l.y; y < l.y + l.h; ++y)
      label.insert(label.end(), shot.At(l.x, y), shot.At(l.x + l.w, y));
    EXPECT_NE(label, start_label);
  };
  UseScriptedFace(&watch);
  EXPECT_EQ(Convert(ws), GbkToUtf16(ws.db()));
  EXPECT_TRUE(start_checked);
  EXPECT_TRUE(mid_checked);
  EXPECT_EQ(probe_->FindWindow(kCaption), 0u) << "the dialog outlived the call";
}

// Pixels of the error box's icon: a red disc with a white mark inside.
TEST_F(WindowFaceTest, ClosingTheWindowInTheFirstSecondGivesZeroAndTouchesNoFile) {
  test::Workspace ws;
  WriteDataset(ws, 50);
  const auto before = test::Snapshot(ws.work());
  ::setenv("QORU_FACE", "window", 1);  // the face DoIt picks itself
  std::thread user([] {
    X11Probe probe;
    const unsigned long dialog = probe.WaitForWindow(kCaption, 10s);
    EXPECT_NE(dialog, 0u);
    if (dialog != 0) probe.RequestClose(dialog);
  });
  const std::u16string result = Convert(ws);
  user.join();
  EXPECT_EQ(result, u"0");
  EXPECT_EQ(test::Snapshot(ws.work()), before);
  EXPECT_EQ(probe_->FindWindow(kCaption), 0u);
}

TEST_F(WindowFaceTest, ClosingTheWindowDuringTheRunLetsTheRunFinishWithItsOutcome) {
  test::Workspace ws;
  WriteDataset(ws, 300);
  Watch watch;
  bool closed = false;
  watch.on_yield = [&](WindowFace& face, int, const std::string& status) {
    if (closed || status.find("凭证") == std::string::npos) return;
    closed = true;
    probe_->RequestClose(face.WindowId());
  };
  UseScriptedFace(&watch, WindowFace::Options{0ms});  // every yield looks at the window
  EXPECT_EQ(Convert(ws), GbkToUtf16(ws.db()));
  EXPECT_TRUE(closed);
  EXPECT_TRUE(watch.close_reported);
  const auto tables = test::TablesOf(ws.db());
  EXPECT_NE(std::find(tables.begin(), tables.end(), "aidBal"), tables.end());
  EXPECT_EQ(std::find(watch.states.begin(), watch.states.end(), DialogState::kStalled),
            watch.states.end());
}

TEST_F(WindowFaceTest, TheHostsWindowOwnsTheModalDialogForTheCallOnly) {
  test::Workspace ws;
  WriteDataset(ws, 50);
  const unsigned long host = probe_->CreateHostWindow();
  std::thread user([host] {
    X11Probe probe;
    const unsigned long dialog = probe.WaitForWindow(kCaption, 10s);
    EXPECT_NE(dialog, 0u);
    if (dialog == 0) return;
    // The marks follow the map in one flush; a look in between may miss them once.
    const auto end = std::chrono::steady_clock::now() + 2s;
    auto state = probe.NetWmState(dialog);
    while (std::find(state.begin(), state.end(), "_NET_WM_STATE_MODAL") == state.end() &&
           std::chrono::steady_clock::now() < end) {
      std::this_thread::sleep_for(10ms);
      state = probe.NetWmState(dialog);
    }
    EXPECT_NE(std::find(state.begin(), state.end(), "_NET_WM_STATE_MODAL"), state.end());
    EXPECT_EQ(probe.TransientFor(dialog), host);
    probe.RequestClose(dialog);
  });
  // No QORU_FACE: a host window and a display give the window face.
  const std::u16string result = Convert(ws, host);
  user.join();
  EXPECT_EQ(result, u"0");
  EXPECT_EQ(OwnerWindow(), 0u);
  EXPECT_EQ(probe_->FindWindow(kCaption), 0u);
}

TEST_F(WindowFaceTest, AHostWindowThatDoesNotExistLeavesTheDialogWithoutOwner) {
  test::Workspace ws;
  WriteDataset(ws, 50);
  std::thread user([] {
    X11Probe probe;
    const unsigned long dialog = probe.WaitForWindow(kCaption, 10s);
    EXPECT_NE(dialog, 0u);
    if (dialog == 0) return;
    EXPECT_EQ(probe.TransientFor(dialog), 0u);
    probe.RequestClose(dialog);
  });
  const std::u16string result = Convert(ws, 0x3ffff0);
  user.join();
  EXPECT_EQ(result, u"0");
}

TEST_F(WindowFaceTest, EscDoesNotCloseTheDialog) {
  test::Workspace ws;
  WriteDataset(ws, 50);
  ::setenv("QORU_FACE", "window", 1);
  std::thread user([] {
    X11Probe probe;
    const unsigned long dialog = probe.WaitForWindow(kCaption, 10s);
    EXPECT_NE(dialog, 0u);
    if (dialog == 0) return;
    probe.PressKey(dialog, XK_Escape);
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(probe.FindWindow(kCaption), dialog);
    probe.RequestClose(dialog);
  });
  Convert(ws);  // "0" or the path, depending on whether the run had started
  user.join();
}

// The toolkit reads "@" in a label as the start of a symbol's name and leaves out what
// follows; a status line or a message holding one is still shown whole.
TEST_F(WindowFaceTest, TextsWithAnAtSignAreShownWhole) {
  std::string why_not;
  ASSERT_NE(WindowDisplay(&why_not), nullptr) << why_not;
  fl_font(DialogFont(), 12);
  for (const std::string text : {"JZPZ@2.txt", "@凭证 表", "a@@b", "@"}) {
    int w = 0, h = 0;
    fl_measure(LabelText(text).c_str(), w, h);
    EXPECT_NEAR(w, fl_width(text.c_str()), 1.0) << text;
  }
  int w = 0, h = 0;  // the check's control: the text as it is loses its tail
  fl_measure("JZPZ@2.txt", w, h);
  EXPECT_LT(w, fl_width("JZPZ@2.txt") - 10);
}

// The headless and terminal faces never open the display, even with a host window and
// a display at hand. Each case runs in a freshly started process, where nothing
// opened it yet.
TEST_F(WindowFaceTest, OtherFacesNeverOpenTheDisplay) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  test::Workspace ws;
  WriteDataset(ws, 20);
  for (const char* face : {"headless", "terminal", "window"}) {
    const int opened = std::string(face) == "window" ? 1 : 0;  // the check's control
    EXPECT_EXIT(
        {
          ::setenv("QORU_FACE", face, 1);
          Convert(ws, 0x1234);
          std::exit(WindowDisplayIsOpen() ? 1 : 0);
        },
        ::testing::ExitedWithCode(opened), "")
        << face;
  }
}

}  // namespace
}  // namespace qoru
