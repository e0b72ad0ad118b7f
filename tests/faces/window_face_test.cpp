// The window face under a real X server (Xvfb): the dialog's caption, size and
// drawing, the banner, the bar's fill against the percentage, closing the dialog
// before and during the run, the error box and the owner window. Each test converts a
// book set with DoIt in this process while a probe on its own X connection plays the
// user and the window manager. Screenshots go to <build>/screenshots/.
#include "faces/window_face.h"

#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <thread>

#include <FL/Fl_Image.H>
#include <FL/fl_draw.H>

#include "faces/banner.h"
#include "faces/dialog_layout.h"
#include "faces/dialog_window.h"
#include "faces/progress_bar.h"
#include "faces/x11_probe.h"
#include "faces/x_display.h"
#include "faces/xvfb_server.h"
#include "gendata/dataset.h"
#include "host/owner_window.h"
#include "plugin/do_it.h"
#include "test_support/bookset.h"
#include "text/gbk_codec.h"

namespace qoru {
namespace {

using namespace std::chrono_literals;
using test::RgbImage;
using test::X11Probe;

const std::string kCaption = "账套文本数据预处理";
const DialogLayout kLayout = ScaledDialogLayout(96);

std::string Screenshot(const RgbImage& image, const std::string& name) {
  const std::string dir = std::string(QORU_BINARY_DIR) + "/screenshots";
  std::filesystem::create_directories(dir);
  const std::string path = dir + "/" + name + ".png";
  test::WritePng(image, path);
  return path;
}

// --- Reading the dialog's pixels -------------------------------------------------

bool Is(const std::uint8_t* p, int r, int g, int b) {
  return p[0] == r && p[1] == g && p[2] == b;
}

int Count(const RgbImage& shot, const Rect& area,
          const std::function<bool(const std::uint8_t*)>& f) {
  int n = 0;
  for (int y = area.y; y < area.y + area.h; ++y)
    for (int x = area.x; x < area.x + area.w; ++x) n += f(shot.At(x, y)) ? 1 : 0;
  return n;
}

bool Dark(const std::uint8_t* p) {
  return p[0] + p[1] + p[2] < 300;
}

// The bar's interior in window coordinates, inside its two-pixel groove.
Rect BarInterior() {
  const int b = 2;
  return {kLayout.panel.x + kLayout.bar.x + b, kLayout.panel.y + kLayout.bar.y + b,
          kLayout.bar.w - 2 * b, kLayout.bar.h - 2 * b};
}

// Width of the fill along the interior's first row, counted from the left.
int FillWidthOf(const RgbImage& shot) {
  const Rect in = BarInterior();
  int n = 0;
  while (n < in.w && Is(shot.At(in.x + n, in.y), 0x00, 0x78, 0xD7)) ++n;
  return n;
}

// The status line's area, from its top-left corner to the panel's border.
Rect LabelArea() {
  const int x = kLayout.panel.x + kLayout.label.x, y = kLayout.panel.y + kLayout.label.y;
  return {x, y, kLayout.panel.w - 1 - x, kLayout.font_px + 2};
}

// Mean difference per channel between the banner band and the stored picture
// stretched to it.
double BannerDifference(const RgbImage& shot) {
  const Rect& band = kLayout.banner;
  const std::unique_ptr<Fl_Image> expected = StretchedBanner(band.w, band.h);
  if (!expected || expected->w() != band.w || expected->h() != band.h || expected->d() != 3)
    return 255;
  const auto* pixels = reinterpret_cast<const std::uint8_t*>(expected->data()[0]);
  double sum = 0;
  for (int y = 0; y < band.h; ++y)
    for (int x = 0; x < band.w; ++x)
      for (int k = 0; k < 3; ++k)
        sum += std::abs(shot.At(band.x + x, band.y + y)[k] - pixels[(y * band.w + x) * 3 + k]);
  return sum / (band.w * band.h * 3);
}

// Colours used in the banner band: a blank band has one.
int BannerColours(const RgbImage& shot) {
  std::map<int, int> colours;
  for (int y = 0; y < kLayout.banner.h; ++y)
    for (int x = 0; x < kLayout.banner.w; ++x) {
      const std::uint8_t* p = shot.At(x, y);
      ++colours[(p[0] << 16) | (p[1] << 8) | p[2]];
    }
  return static_cast<int>(colours.size());
}

// --- A window face that lets the test act at chosen moments -------------------------

struct Watch {
  std::function<void(WindowFace&)> on_waiting;  // the dialog is up, the timer armed
  // After each yield, with the latest percentage and status (UTF-8).
  std::function<void(WindowFace&, int, const std::string&)> on_yield;
  std::vector<DialogState> states;
  std::vector<std::string> errors;
  bool close_reported = false;  // a yield reported the user's close request
  int percent = 0;
  std::string status;
};

class ScriptedWindowFace : public Face {
 public:
  ScriptedWindowFace(std::unique_ptr<WindowFace> face, Watch* watch)
      : face_(std::move(face)), watch_(watch) {}
  void Shown(const std::string& c) override { face_->Shown(c); }
  void Hidden() override { face_->Hidden(); }
  FaceEvent WaitEvent(bool e, int i) override { return face_->WaitEvent(e, i); }
  bool ProcessMessages() override {
    const bool close = face_->ProcessMessages();
    watch_->close_reported |= close;
    if (watch_->on_yield) watch_->on_yield(*face_, watch_->percent, watch_->status);
    return close;
  }
  void StatusChanged(const std::string& s) override {
    watch_->status = GbkToUtf8(s);
    face_->StatusChanged(s);
  }
  void ProgressChanged(const ProgressBar& b) override {
    watch_->percent = b.Percent();
    face_->ProgressChanged(b);
  }
  void StateChanged(DialogState s) override {
    watch_->states.push_back(s);
    face_->StateChanged(s);
    if (s == DialogState::kWaiting && watch_->on_waiting) watch_->on_waiting(*face_);
  }
  void Notice(const std::string& m) override { face_->Notice(m); }
  void ErrorBox(const std::string& m) override {
    watch_->errors.push_back(m);
    face_->ErrorBox(m);
  }

 private:
  std::unique_ptr<WindowFace> face_;
  Watch* watch_;
};

std::u16string Convert(const test::Workspace& ws, std::uintptr_t host = 0) {
  BSTR result = nullptr;
  DoItImpl(&result, host, ws.work().c_str(), ws.source().c_str(), nullptr);
  std::u16string text(result, SysStringLen(result));
  SysFreeString(result);
  return text;
}

class WindowFaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto& server = test::XvfbServer::Shared();
    ASSERT_TRUE(server.ok()) << server.error();
    ::unsetenv("QORU_FACE");
    probe_ = std::make_unique<X11Probe>();
  }
  void TearDown() override {
    SetFaceFactory(nullptr);
    ::unsetenv("QORU_FACE");
  }

  // DoIt's face becomes the window face, scripted through `watch`.
  void UseScriptedFace(Watch* watch, WindowFace::Options options = {}) {
    SetFaceFactory([watch, options]() -> std::unique_ptr<Face> {
      std::string why_not;
      auto face = MakeWindowFace(OwnerWindow(), &why_not, options);
      if (!face) throw std::runtime_error(why_not);
      return std::make_unique<ScriptedWindowFace>(std::move(face), watch);
    });
  }

  // A generated book set of `postings` vouchers.
  static void WriteDataset(const test::Workspace& ws, int postings) {
    gen::DatasetOptions options;
    options.postings = postings;
    options.balances = 40;
    gen::WriteDataset(ws.source(), options);
  }

  std::unique_ptr<X11Probe> probe_;
};

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
    EXPECT_EQ(probe.TransientFor(dialog), host);
    const auto state = probe.NetWmState(dialog);
    EXPECT_NE(std::find(state.begin(), state.end(), "_NET_WM_STATE_MODAL"), state.end());
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
