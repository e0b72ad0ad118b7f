// Removing a tree and reading a whole file through the files room: a read-only file
// goes as it does on Linux, a link below the tree goes without what it points to.
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

}  // namespace
}  // namespace qoru
