// Removing a tree, reading and writing a whole file, making folders and splitting paths
// through the files room: a read-only file goes as it does on Linux, a link below the tree goes
// without what it points to, and bytes are written as they stand.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "files/file_system.h"
#include "files/os_file.h"
#include "test_support/temp_dir.h"

namespace qoru {
namespace {

TEST(RemoveTree, EverythingBelowGoesReadOnlyFilesIncludedButNotWhatALinkPointsTo) {
  test::TempDir dir;
  const std::string tree = dir / "tree";
  test::MakeDir(tree + "/a/b");
  test::WriteFile(tree + "/top.txt", "x");
  test::WriteFile(tree + "/a/b/deep.txt", "y");
  const int fd = os::OpenWrite(tree + "/a/read-only.txt", true, 0444);
  ASSERT_GE(fd, 0);
  os::Close(fd);
  test::MakeDir(dir / "outside");
  test::WriteFile(dir / "outside/keep.txt", "keep");
  std::error_code ec;
  std::filesystem::create_directory_symlink(dir / "outside", tree + "/link", ec);
  const bool linked = !ec;

  EXPECT_TRUE(RemoveTree(tree + "/"));
  EXPECT_FALSE(PathExists(tree));
  EXPECT_EQ(test::ReadFile(dir / "outside/keep.txt"), "keep") << "linked: " << linked;
  EXPECT_TRUE(RemoveTree(dir / "missing"));
}

TEST(ReadWholeFile, ReadsEveryByteOrSaysWhyNot) {
  test::TempDir dir;
  std::string bytes(200000, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + i / 256);
  bytes[5] = '\r';
  bytes[6] = '\n';
  bytes[7] = '\x1a';  // ends a text-mode read on Windows, never this one
  test::WriteFile(dir / "data.bin", bytes);
  std::string read;
  ASSERT_TRUE(ReadWholeFile(dir / "data.bin", &read));
  EXPECT_EQ(read, bytes);
  errno = 0;
  EXPECT_FALSE(ReadWholeFile(dir / "missing.bin", &read));
  EXPECT_EQ(errno, ENOENT);
  EXPECT_EQ(read, "");
}

TEST(PathParts, SplitAtTheLastSeparatorThatIsACharacterOfItsOwn) {
  // "\x81\x5C" is one GBK character whose second byte is the byte of "\".
  const std::string gbk_name = "\x81\x5C.txt";
  const struct {
    std::string path, parent, last;
  } cases[] = {
      {"a/b/c.txt", "a/b", "c.txt"},
      {"c.txt", "", "c.txt"},
      {"/c.txt", "/", "c.txt"},
      {"a/b/", "a", "b"},
      {"a//b.db", "a", "b.db"},
      {"/", "/", "/"},
      {"dir/" + gbk_name, "dir", gbk_name},
      {gbk_name, "", gbk_name},
      // A name that ends in such a character: 誠 (0xD5 0x5C).
      {"dir/\xD5\x5C", "dir", "\xD5\x5C"},
      {"dir/\xD5\x5C/", "dir", "\xD5\x5C"},
      {"\xD5\x5C/x", "\xD5\x5C", "x"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParentDirectory(c.path), c.parent) << c.path;
    EXPECT_EQ(LastPathPart(c.path), c.last) << c.path;
  }
  for (const std::string path : {"a/\xD5\x5C", "\xD5\x5C", "a/\xB1\x5C", "", "a"}) {
    EXPECT_FALSE(EndsWithSeparator(path)) << path;
    EXPECT_EQ(WithSeparator(path), path + "/") << path;
    EXPECT_EQ(WithoutTrailingSeparators(path), path) << path;
  }
  for (const std::string path : {"a/", "a/\xD5\x5C/", "/"}) EXPECT_TRUE(EndsWithSeparator(path));
  EXPECT_EQ(WithoutTrailingSeparators("a/\xD5\x5C//"), "a/\xD5\x5C");
}

TEST(WriteWholeFile, WritesTheBytesAsTheyStand) {
  test::TempDir dir;
  const std::string bytes = "一\n二\r\n\x1a三";
  ASSERT_TRUE(WriteWholeFile(dir / "out.txt", "longer content that the next write replaces"));
  ASSERT_TRUE(WriteWholeFile(dir / "out.txt", bytes));
  EXPECT_EQ(test::ReadFile(dir / "out.txt"), bytes);
  EXPECT_FALSE(WriteWholeFile(dir / "missing/out.txt", bytes));
}

TEST(MakeDirectories, MakesEveryMissingLevelAndRefusesAFileInTheWay) {
  test::TempDir dir;
  const std::string deep = dir / "审计/2024年/账套";
  ASSERT_TRUE(MakeDirectories(deep));
  EXPECT_TRUE(IsDirectory(deep));
  EXPECT_TRUE(MakeDirectories(deep + "/")) << "an existing folder, with a trailing separator";
  ASSERT_TRUE(WriteWholeFile(dir / "file", "x"));
  errno = 0;
  EXPECT_FALSE(MakeDirectories(dir / "file"));
  EXPECT_EQ(errno, ENOTDIR);
  EXPECT_FALSE(MakeDirectories(dir / "file/below"));

  // Names that end in the byte of "\\" (誠, 衆 in GBK): made as they are, nothing beside.
  ASSERT_TRUE(MakeDirectories(dir / "trail/\xD5\x5C/\xB1\x5C"));
  EXPECT_TRUE(IsDirectory(dir / "trail/\xD5\x5C/\xB1\x5C"));
  EXPECT_EQ(ListDirectory(dir / "trail"), std::vector<std::string>{"\xD5\x5C"});
}

}  // namespace
}  // namespace qoru
