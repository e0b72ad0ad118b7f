// Windows habits under Wine: GBA.mdb or a workpaper held open by another program
// without sharing (as an ERP or Excel holds them) is named with the advice to close it
// there, and nothing is half-written; a source reached through the long-path form of a
// full path (standing in for a share's \\?\UNC\ form, which Wine has no server for).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "database/engine/engine_error.h"
#include "database/engine/sqlite_handle.h"
#include "errors/errors.h"
#include "files/file_system.h"
#include "files/os_file.h"
#include "files/path_text.h"
#include "screening/workpaper/workpaper.h"
#include "test_support/temp_dir.h"
#include "text/gbk_codec.h"

namespace qoru {
namespace {

std::wstring WidePath(const std::string& gbk) {
  const std::u16string utf16 = GbkToUtf16(gbk);
  std::wstring wide(utf16.begin(), utf16.end());
  for (wchar_t& c : wide)
    if (c == L'/') c = L'\\';
  return wide;
}

// Another program's handle on `path`, sharing only reading with others (or nothing).
HANDLE Hold(const std::string& path, DWORD share) {
  return CreateFileW(WidePath(path).c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr,
                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST(WindowsHeldOpen, AStagingDatabaseHeldByAnotherProgramIsNamedWithTheAdviceToCloseIt) {
  test::TempDir dir;
  const std::string db = dir / "GBA.mdb";
  test::WriteFile(db, "");  // an empty file is an empty database
  const HANDLE held = Hold(db, 0);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  try {
    db::OpenExistingDatabase(db);
    ADD_FAILURE() << "opened";
  } catch (const db::EngineIoError& e) {
    const std::string message = e.what();
    EXPECT_NE(message.find("GBA.mdb"), std::string::npos) << message;
    EXPECT_NE(message.find("另一个程序"), std::string::npos) << message;
    EXPECT_NE(message.find("关闭"), std::string::npos) << message;
  }
  CloseHandle(held);
  EXPECT_NO_THROW(db::OpenExistingDatabase(db));
}

TEST(WindowsHeldOpen, AWorkpaperOpenElsewhereStaysAsItWasAndIsNamed) {
  test::TempDir dir;
  const std::string paper = dir / Gbk("底稿.xlsx");
  ASSERT_TRUE(WriteWholeFile(paper, "the earlier workpaper"));
  const HANDLE held = Hold(paper, FILE_SHARE_READ);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  try {
    screening::WriteWorkpaper(paper, screening::ScreenBook{}, screening::ScreenReport{},
                              screening::WorkpaperInfo{}, /*overwrite=*/true);
    ADD_FAILURE() << "written";
  } catch (const screening::WorkpaperError& e) {
    const std::string message = e.what();
    EXPECT_NE(message.find("另一个程序"), std::string::npos) << message;
    EXPECT_NE(message.find("关闭"), std::string::npos) << message;
  }
  CloseHandle(held);
  std::string content;
  ASSERT_TRUE(ReadWholeFile(paper, &content));
  EXPECT_EQ(content, "the earlier workpaper");
  EXPECT_EQ(ListDirectory(dir.path()).size(), 1u) << "a temporary file was left";
}

TEST(WindowsSharePaths, ASourceInTheLongPathFormOfAFullPathIsRead) {
  test::TempDir dir;
  ASSERT_EQ(os::MakeDirectory(dir / Gbk("账套")), 0);
  ASSERT_TRUE(WriteWholeFile(dir / Gbk("账套/KJKM.txt"), "1001\t库存现金\r\n"));
  wchar_t full[MAX_PATH];
  ASSERT_GT(GetFullPathNameW(WidePath(dir / Gbk("账套")).c_str(), MAX_PATH, full, nullptr), 0u);
  const std::wstring wide = full;
  const std::string unc_form =
      Utf8ToGbk(Utf16ToUtf8(u"\\\\?\\" + std::u16string(wide.begin(), wide.end())));
  EXPECT_TRUE(IsDirectory(unc_form)) << PathText(unc_form);
  const std::vector<std::string> names = ListDirectory(unc_form);
  ASSERT_EQ(names.size(), 1u);
  std::string content;
  ASSERT_TRUE(ReadWholeFile(unc_form + "\\KJKM.txt", &content));
  EXPECT_EQ(content, "1001\t库存现金\r\n");
  std::string failure;
  EXPECT_TRUE(CopyFileExclusive(unc_form + "\\KJKM.txt", dir / "copy.txt", &failure)) << failure;
}

}  // namespace
}  // namespace qoru
