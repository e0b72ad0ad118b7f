// The Win32 dialog in a whole DoIt call on a real desktop: a host that passes its main
// window gets the window face without asking; the dialog is owned by that window and
// enabled while the host's windows are disabled; the sample converts; and the host's
// window is enabled again and the dialog gone when DoIt returns. Screenshot:
// screenshots/window-win-do-it.png.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "faces/desktop_probe_win.h"
#include "plugin/do_it.h"
#include "text/gbk_codec.h"

namespace qoru {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

const std::wstring kCaption = L"账套文本数据预处理";

// A work area of the host's form under the temporary folder.
class WorkArea {
 public:
  WorkArea() : dir_(fs::temp_directory_path() / ("qoru-do-it-" + std::to_string(::rand()))) {
    fs::create_directories(dir_ / "DataBase");
    fs::create_directories(dir_ / "TemplateTemp");
    std::ofstream(dir_ / "DataBase" / "empty.mdb").close();
  }
  ~WorkArea() {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  // With its trailing separator, as a host passes it.
  std::string Work() const { return dir_.string() + "\\"; }
  fs::path Database() const { return dir_ / "TemplateTemp" / "GBA.mdb"; }

 private:
  fs::path dir_;
};

TEST(WindowFaceDoItWin, TheHostsWindowOwnsTheDialogAndIsDisabledForTheRunOnly) {
  if (!test::HasDesktop()) GTEST_SKIP() << "needs a desktop: run by tests/faces/wine-desktop";
  ::_putenv("QORU_FACE=");
  test::HostWindow host;
  WorkArea area;
  // The sample book set, reached through Wine's drive for the Unix root.
  const std::string source = std::string("Z:") + QORU_SOURCE_DIR + "/examples/sample";

  std::atomic<bool> seen{false};
  bool host_enabled = true, dialog_enabled = false;
  std::uintptr_t owner = 0;
  std::wstring caption;
  std::thread user([&] {
    for (int i = 0; i < 1000 && !seen; ++i) {
      if (const std::uintptr_t dialog = test::FindVisibleWindow(kCaption)) {
        host_enabled = test::IsEnabled(host.id());
        dialog_enabled = test::IsEnabled(dialog);
        owner = test::OwnerOf(dialog);
        caption = test::CaptionOf(dialog);
        std::this_thread::sleep_for(200ms);  // painted by now, before the start timer
        test::WriteScreenshot(test::GrabWindow(dialog), "window-win-do-it");
        seen = true;
      }
      std::this_thread::sleep_for(10ms);
    }
  });
  BSTR result = nullptr;
  DoItImpl(&result, host.id(), area.Work().c_str(), source.c_str(), nullptr);
  seen = true;
  user.join();
  const std::u16string text(result, SysStringLen(result));
  SysFreeString(result);

  EXPECT_EQ(Utf16ToUtf8(text), area.Database().string());
  EXPECT_TRUE(fs::exists(area.Database()));
  EXPECT_EQ(caption, kCaption) << "the dialog was not seen";
  EXPECT_EQ(owner, host.id());
  EXPECT_FALSE(host_enabled) << "the host's window took input while the dialog was up";
  EXPECT_TRUE(dialog_enabled);
  EXPECT_TRUE(test::IsEnabled(host.id())) << "the host's window stays disabled after DoIt";
  EXPECT_EQ(test::FindVisibleWindow(kCaption), 0u) << "the dialog outlived the call";
}

}  // namespace
}  // namespace qoru
