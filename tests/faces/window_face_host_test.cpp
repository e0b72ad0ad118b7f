// The window face as the command-line host shows it, in a process of its own: under
// Xvfb, at the screen's resolution, and without any display.
#include <gtest/gtest.h>
#include <sys/wait.h>

// Xlib's macros (None, Bool, Status) would clash with the test framework's names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdlib>
#include <string>
#include <thread>

#include "faces/x11_probe.h"
#include "faces/xvfb_server.h"
#include "test_support/temp_dir.h"

namespace qoru {
namespace {

using namespace std::chrono_literals;

struct HostRun {
  int exit_code = -1;
  std::string output;  // stdout and stderr
};

// Converts the bundled sample with `qoru-gbtxt convert --face window`, the
// environment prefixed by `env` (e.g. "DISPLAY=").
HostRun ConvertSample(const test::TempDir& tmp, const std::string& env = "") {
  const std::string log = tmp.path() + "host.txt";
  const std::string command = "env " + env + " " + QORU_BINARY_DIR +
                              "/qoru-gbtxt convert --face window --source " + QORU_SOURCE_DIR +
                              "/examples/sample --work " + tmp.path() + "work > " + log + " 2>&1";
  const int status = std::system(command.c_str());
  HostRun run;
  run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.output = test::ReadFile(log);
  return run;
}

TEST(WindowFaceHost, ConvertsTheSampleInAWindow) {
  ASSERT_TRUE(test::XvfbServer::Shared().ok()) << test::XvfbServer::Shared().error();
  test::TempDir tmp;
  const HostRun run = ConvertSample(tmp);
  EXPECT_EQ(run.exit_code, 0) << run.output;
  EXPECT_NE(run.output.find("TemplateTemp/GBA.mdb"), std::string::npos) << run.output;
}

TEST(WindowFaceHost, WithoutADisplayTheRunGoesOnWithoutTheWindowAndSaysWhy) {
  for (const char* env : {"-u DISPLAY", "DISPLAY=:32000"}) {
    test::TempDir tmp;
    const HostRun run = ConvertSample(tmp, env);
    EXPECT_EQ(run.exit_code, 0) << env << "\n" << run.output;
    EXPECT_NE(run.output.find("没有可用的显示"), std::string::npos) << env << "\n" << run.output;
    EXPECT_NE(run.output.find("TemplateTemp/GBA.mdb"), std::string::npos) << run.output;
  }
}

TEST(WindowFaceHost, TheDialogScalesWithTheScreensResolution) {
  ASSERT_TRUE(test::XvfbServer::Shared().ok()) << test::XvfbServer::Shared().error();
  // Xft.dpi 144, as a desktop sets it for 150 % text: a font of 18 pixels.
  Display* d = XOpenDisplay(nullptr);
  ASSERT_NE(d, nullptr);
  const Atom resources = XInternAtom(d, "RESOURCE_MANAGER", False);
  const std::string value = "Xft.dpi:\t144\n";
  XChangeProperty(d, DefaultRootWindow(d), resources, XA_STRING, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(value.data()),
                  static_cast<int>(value.size()));
  XSync(d, False);

  Rect geometry;
  std::thread user([&geometry] {
    test::X11Probe probe;
    const unsigned long dialog = probe.WaitForWindow("账套文本数据预处理", 20s);
    if (dialog == 0) return;
    geometry = probe.Geometry(dialog);
    probe.RequestClose(dialog);
  });
  test::TempDir tmp;
  const HostRun run = ConvertSample(tmp);
  user.join();
  XDeleteProperty(d, DefaultRootWindow(d), resources);
  XCloseDisplay(d);
  EXPECT_EQ(run.exit_code, 1) << "closed while waiting: " << run.output;
  EXPECT_EQ(geometry.w, 504);
  EXPECT_EQ(geometry.h, 134);
}

}  // namespace
}  // namespace qoru
