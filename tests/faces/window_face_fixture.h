// What the window face's tests share: the dialog's expected geometry and colours,
// screenshot helpers, a face that records what the window shows, and the fixture that
// starts an Xvfb server of its own with a probe on it.
#pragma once

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
#include "faces/x11_probe.h"
#include "faces/xvfb_server.h"
#include "gendata/dataset.h"
#include "host/owner_window.h"
#include "plugin/do_it.h"
#include "test_support/bookset.h"
#include "text/gbk_codec.h"

namespace qoru::window_test {

using namespace std::chrono_literals;
using test::RgbImage;
using test::X11Probe;

inline const std::string kCaption = "账套文本数据预处理";
inline const DialogLayout kLayout = ScaledDialogLayout(96);

inline std::string Screenshot(const RgbImage& image, const std::string& name) {
  const std::string dir = std::string(QORU_BINARY_DIR) + "/screenshots";
  std::filesystem::create_directories(dir);
  const std::string path = dir + "/" + name + ".png";
  test::WritePng(image, path);
  return path;
}

// --- Reading the dialog's pixels -------------------------------------------------

inline bool Is(const std::uint8_t* p, int r, int g, int b) {
  return p[0] == r && p[1] == g && p[2] == b;
}

inline int Count(const RgbImage& shot, const Rect& area,
                 const std::function<bool(const std::uint8_t*)>& f) {
  int n = 0;
  for (int y = area.y; y < area.y + area.h; ++y)
    for (int x = area.x; x < area.x + area.w; ++x) n += f(shot.At(x, y)) ? 1 : 0;
  return n;
}

inline bool Dark(const std::uint8_t* p) {
  return p[0] + p[1] + p[2] < 300;
}

// The bar's interior in window coordinates, inside its two-pixel groove.
inline Rect BarInterior() {
  const int b = 2;
  return {kLayout.panel.x + kLayout.bar.x + b, kLayout.panel.y + kLayout.bar.y + b,
          kLayout.bar.w - 2 * b, kLayout.bar.h - 2 * b};
}

// Width of the fill along the interior's first row, counted from the left.
inline int FillWidthOf(const RgbImage& shot) {
  const Rect in = BarInterior();
  int n = 0;
  while (n < in.w && Is(shot.At(in.x + n, in.y), 0x00, 0x78, 0xD7)) ++n;
  return n;
}

// The status line's area, from its top-left corner to the panel's border.
inline Rect LabelArea() {
  const int x = kLayout.panel.x + kLayout.label.x, y = kLayout.panel.y + kLayout.label.y;
  return {x, y, kLayout.panel.w - 1 - x, kLayout.font_px + 2};
}

// Mean difference per channel between the banner band and the stored picture
// stretched to it.
inline double BannerDifference(const RgbImage& shot) {
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
inline int BannerColours(const RgbImage& shot) {
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

inline std::u16string Convert(const test::Workspace& ws, std::uintptr_t host = 0) {
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

}  // namespace qoru::window_test
