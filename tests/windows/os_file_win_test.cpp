// The Windows file layer under Wine: names Windows keeps for devices, paths beyond 260
// characters under Chinese folder names, files held open by another program, read-only
// files, the work area's lock, and the compiled-in code page tables.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <windows.h>

#include <string>

#include "errors/errors.h"
#include "files/file_system.h"
#include "files/os_file.h"
#include "files/path_text.h"
#include "files/text_lines.h"
#include "files/work_area_lock.h"
#include "test_support/temp_dir.h"
#include "text/gbk_codec.h"

namespace qoru {
namespace {

using test::TempDir;

std::wstring WidePath(const std::string& gbk) {
  const std::u16string utf16 = GbkToUtf16(gbk);
  std::wstring wide(utf16.begin(), utf16.end());
  for (wchar_t& c : wide)
    if (c == L'/') c = L'\\';
  return wide;
}

TEST(WindowsFileNames, DeviceNamesAndWhatWindowsForbidsAreRefusedNamingTheFile) {
  for (const char* name : {"NUL.txt", "con", "CON.txt", "Aux.TXT", "com1.txt", "LPT9", "KJKM.txt.",
                           "KJKM.txt ", "a\\b.txt", "c:x.txt", "a|b.txt", "NUL .txt"}) {
    SCOPED_TRACE(name);
    try {
      CheckBareFileName(name, "格式说明 GSSM.txt");
      ADD_FAILURE() << "accepted";
    } catch (const UnsafeNameError& e) {
      EXPECT_NE(std::string(e.what()).find(GbkToUtf8(name)), std::string::npos) << e.what();
    }
  }
  for (const std::string& name :
       {std::string("KJKM.txt"), Gbk("辅助核算.txt"), std::string("console.txt"),
        std::string("NULL.txt"), std::string("com10.txt")})
    EXPECT_NO_THROW(CheckBareFileName(name, "x")) << name;
}

TEST(WindowsFileNames, AGbkTrailByteThatIsABackslashIsNoSeparator) {
  // 0x81 0x5C is one character whose second byte is the byte of "\".
  const std::string name = "\x81\x5C.txt";
  EXPECT_NO_THROW(CheckBareFileName(name, "x"));
}

TEST(WindowsLongPaths, DeepChineseFoldersBeyond260CharactersWork) {
  TempDir dir;
  std::string path = dir.path();
  const std::string level = Gbk("审计底稿二零二四年度账套资料目录");  // 16 characters
  while (GbkToUtf16(path).size() < 400) {
    path += level + "/";
    ASSERT_EQ(os::MakeDirectory(path), 0) << PathText(path);
  }
  const std::string source = path + "KJKM.txt";
  {
    LineWriter writer(source);
    writer.WriteLine(Gbk("1001,库存现金"));
    writer.Close();
  }
  ASSERT_TRUE(IsRegularFile(source));
  std::string failure;
  ASSERT_TRUE(CopyFileExclusive(source, path + "copy.txt", &failure)) << failure;
  EXPECT_EQ(LoadLines(path + "copy.txt").Count(), 1u);
  const std::vector<std::string> names = ListDirectory(path);
  EXPECT_EQ(names.size(), 2u);
  // SQLite is given the long-path form, and opens a database there.
  const std::string utf8 = os::Utf8FileName(path + "GBA.mdb");
  EXPECT_EQ(utf8.rfind("\\\\?\\", 0), 0u) << utf8;
  EXPECT_NE(utf8.find(GbkToUtf8(level) + "\\GBA.mdb"), std::string::npos) << utf8;
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(utf8.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                            os::SqliteVfs()),
            SQLITE_OK);
  EXPECT_EQ(
      sqlite3_exec(db, "CREATE TABLE t (x); INSERT INTO t VALUES (1);", nullptr, nullptr, nullptr),
      SQLITE_OK);
  sqlite3_close(db);
  EXPECT_TRUE(IsRegularFile(path + "GBA.mdb"));
}

TEST(WindowsSharing, AFileHeldOpenElsewhereIsNamedWithTheAdviceToCloseIt) {
  TempDir dir;
  const std::string path = dir / "JZPZ.txt";
  test::WriteFile(path, "a\tb\r\n");
  // Another program holds it without sharing it, as Excel does.
  const HANDLE held = CreateFileW(WidePath(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_EQ(os::OpenRead(path), -1);
  EXPECT_EQ(errno, kSharingViolation);
  try {
    LineReader reader(path);
    ADD_FAILURE() << "opened";
  } catch (const FileError& e) {
    const std::string message = e.what();
    EXPECT_NE(message.find("JZPZ.txt"), std::string::npos) << message;
    EXPECT_NE(message.find("另一个程序"), std::string::npos) << message;
    EXPECT_NE(message.find("关闭"), std::string::npos) << message;
  }
  // A copy onto it leaves it as it was.
  std::string failure;
  EXPECT_FALSE(CopyFileExclusive(dir / "missing.txt", path, &failure));
  CloseHandle(held);
  EXPECT_EQ(test::ReadFile(path), "a\tb\r\n");
}

TEST(WindowsReadOnly, AReadOnlyFileIsReportedAsSuch) {
  // Whether writing it fails cannot be seen here: the tests run as root, whom Wine's
  // file system lets write a read-only file.
  TempDir dir;
  const std::string target = dir / "target.txt";
  test::WriteFile(target, "old");
  ASSERT_TRUE(SetFileAttributesW(WidePath(target).c_str(), FILE_ATTRIBUTE_READONLY));
  os::FileInfo info;
  ASSERT_TRUE(os::Stat(target, &info));
  EXPECT_EQ(info.kind, os::Kind::kRegular);
  EXPECT_EQ(info.mode, 0444u);
  SetFileAttributesW(WidePath(target).c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(WindowsWorkAreaLock, ASecondConversionOfTheWorkAreaIsRefusedUntilTheFirstEnds) {
  TempDir dir;
  std::string work = dir.path();
  work.back() = '\\';  // as the host writes it
  {
    WorkAreaLock first;
    ASSERT_EQ(first.TryLock(work), WorkAreaLock::Outcome::kLocked);
    WorkAreaLock second;
    EXPECT_EQ(second.TryLock(work), WorkAreaLock::Outcome::kInUse);
  }
  WorkAreaLock again;
  EXPECT_EQ(again.TryLock(work), WorkAreaLock::Outcome::kLocked);
}

TEST(WindowsCodePage, EveryDoubleByteCodeComesBackAsItWent) {
  // The compiled-in tables: each mapped code converts to UTF-16 and back to a code of
  // the same character (itself, unless the code page prefers another code for it, as
  // 0x80 for the euro sign that 0xA2E3 also gives).
  int mapped = 0;
  int identical = 0;
  for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
    for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      const std::string code = {static_cast<char>(lead), static_cast<char>(trail)};
      ConversionStats stats;
      const std::u16string text = GbkToUtf16(code, &stats);
      if (stats.replaced != 0) continue;
      ++mapped;
      const std::string back = Utf8ToGbk(Utf16ToUtf8(text));
      if (back != code)
        EXPECT_EQ(GbkToUtf16(back), text) << std::hex << lead << " " << trail;
      else
        ++identical;
    }
  }
  EXPECT_GT(mapped, 21000);
  EXPECT_GT(identical, mapped - 100);
  EXPECT_EQ(GbkToUtf8("\xC9\xF3\xBC\xC6"), "审计");
  EXPECT_EQ(GbkToUtf8("\x81\x30\x81\x30"), "\u0080");      // a four-byte code
  EXPECT_EQ(GbkToUtf8("\x95\x32\x82\x36"), "\U00020000");  // beyond the basic plane
}

}  // namespace
}  // namespace qoru
