// The window face's error box under Xvfb: a failure that leaves the run is shown in a
// modal box with a stop icon below the dialog, which stays stalled until the box is
// closed (window_face_fixture.h).
#include <gtest/gtest.h>

#include "faces/window_face_fixture.h"

namespace qoru {
namespace {

using namespace std::chrono_literals;
using namespace window_test;

struct StopIcon {
  Rect red;        // the bounds of the red pixels
  int reds = 0;    // how many
  int whites = 0;  // white pixels within those bounds
};

StopIcon FindStopIcon(const RgbImage& shot) {
  StopIcon icon;
  int x0 = shot.width, y0 = shot.height, x1 = -1, y1 = -1;
  for (int y = 0; y < shot.height; ++y)
    for (int x = 0; x < shot.width; ++x) {
      const std::uint8_t* p = shot.At(x, y);
      if (p[0] < 150 || p[1] > 80 || p[2] > 80) continue;
      ++icon.reds;
      x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
    }
  if (icon.reds == 0) return icon;
  icon.red = {x0, y0, x1 - x0 + 1, y1 - y0 + 1};
  icon.whites = Count(shot, icon.red, [](const std::uint8_t* p) { return Is(p, 255, 255, 255); });
  return icon;
}

TEST_F(WindowFaceTest, ErrorBoxShowsTheFailureWithAStopIconBelowTheStalledDialog) {
  test::Workspace ws;
  WriteDataset(ws, 50);
  std::filesystem::remove(ws.source() + "/JZPZ.txt");  // named in GSSM.txt, not in the source
  Watch watch;
  UseScriptedFace(&watch);
  std::thread user([&] {
    X11Probe probe;
    const unsigned long box = probe.WaitForWindow(kErrorBoxCaption, 30s);
    const unsigned long dialog = probe.FindWindow(kCaption);
    EXPECT_NE(box, 0u);
    EXPECT_NE(dialog, 0u);
    if (box != 0 && dialog != 0) {
      // Without a host window the box is owned by the dialog.
      EXPECT_EQ(probe.TransientFor(box), dialog);
      const Rect b = probe.Geometry(box), d = probe.Geometry(dialog);
      // Below the dialog, which stays in view.
      EXPECT_GE(b.y, d.y + d.h);
      const int x0 = std::min(b.x, d.x), y0 = std::min(b.y, d.y);
      const Rect both{x0, y0, std::max(b.x + b.w, d.x + d.w) - x0,
                      std::max(b.y + b.h, d.y + d.h) - y0};
      Screenshot(probe.GrabScreen(both), "window-error");
      // The icon: a red disc, about 50 pixels across, at the box's top left, with a
      // white "!" inside.
      const StopIcon icon = FindStopIcon(probe.Grab(box));
      EXPECT_GT(icon.reds, 1200) << "no red icon";
      EXPECT_NEAR(icon.red.w, 50, 4);
      EXPECT_NEAR(icon.red.h, 50, 4);
      EXPECT_LT(icon.red.x, 20);
      EXPECT_LT(icon.red.y, 20);
      EXPECT_GT(icon.whites, 20) << "no mark on the icon";
      // The dialog keeps the state of the moment of failure: every file staged.
      const RgbImage dialog_shot = probe.Grab(dialog);
      EXPECT_EQ(FillWidthOf(dialog_shot), BarInterior().w);
      // The user presses Enter on the box's OK button.
      probe.PressKey(box, XK_Return);
      if (!probe.WaitForWindowGone(kErrorBoxCaption, 10s)) {
        ADD_FAILURE() << "Enter did not dismiss the error box";
        probe.RequestClose(box);
      }
    }
    // The dialog stays until the user closes it.
    std::this_thread::sleep_for(100ms);
    EXPECT_NE(probe.FindWindow(kCaption), 0u);
    probe.RequestClose(probe.FindWindow(kCaption));
  });
  const std::u16string result = Convert(ws);
  user.join();
  EXPECT_EQ(result, u"0");
  ASSERT_EQ(watch.errors.size(), 1u);
  EXPECT_NE(watch.errors[0].find("JZPZ.txt"), std::string::npos) << watch.errors[0];
  EXPECT_EQ(watch.states.back(), DialogState::kClosed);
  EXPECT_NE(std::find(watch.states.begin(), watch.states.end(), DialogState::kStalled),
            watch.states.end());
}

}  // namespace
}  // namespace qoru
