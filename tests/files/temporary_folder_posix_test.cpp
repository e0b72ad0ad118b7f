// The temporary folders: private, locked while they live and removed with everything
// in them; what runs killed outright left goes, and nothing else in the temporary
// folder; an interrupt runs its steps, then removes what is registered and nothing that
// was let go.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include <gtest/gtest.h>

#include "files/file_system.h"
#include "files/interrupt_cleanup.h"
#include "files/os_file.h"
#include "files/temporary_folder.h"
#include "test_support/temp_dir.h"

namespace qoru {
namespace {

// TMPDIR set to a folder of the test's while it lives.
class OwnTemporaryFolder {
 public:
  explicit OwnTemporaryFolder(const std::string& path) {
    if (const char* old = std::getenv("TMPDIR")) old_ = old;
    ::setenv("TMPDIR", path.c_str(), 1);
  }
  ~OwnTemporaryFolder() {
    if (old_)
      ::setenv("TMPDIR", old_->c_str(), 1);
    else
      ::unsetenv("TMPDIR");
  }

 private:
  std::optional<std::string> old_;
};

TEST(TemporaryFolder, IsPrivateLockedAndGoesWithEverythingInIt) {
  test::TempDir dir;
  OwnTemporaryFolder tmp(dir / "tmp");
  test::MakeDir(dir / "tmp");
  std::string path;
  {
    TemporaryFolder folder("check");
    path = folder.path();
    EXPECT_EQ(LastPathPart(path).rfind("qoru-check-", 0), 0u) << path;
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_TRUE(IsRegularFile(path + "/" + TemporaryFolder::kLockName));
    test::MakeDir(path + "/TemplateTemp");
    test::WriteFile(path + "/TemplateTemp/GBA.mdb", "books");
    EXPECT_TRUE(RemoveAbandonedFolders().empty()) << "its lock is held";
    EXPECT_TRUE(IsDirectory(path));
  }
  EXPECT_FALSE(PathExists(path));
}

TEST(TemporaryFolder, OnlyFoldersWhoseLockIsFreeAreRemoved) {
  test::TempDir dir;
  const std::string tmp = dir / "tmp";
  OwnTemporaryFolder own(tmp);
  const auto folder_with_lock = [](const std::string& path) {
    test::MakeDir(path + "/TemplateTemp");
    test::WriteFile(path + "/TemplateTemp/JZPZ.txt", "books");
    test::WriteFile(path + "/" + TemporaryFolder::kLockName, "");
  };
  folder_with_lock(tmp + "/qoru-screen-killed");  // its run killed: the lock is free
  folder_with_lock(tmp + "/other-abc123");        // not one of ours
  folder_with_lock(dir / "elsewhere");            // reached through a link
  ASSERT_EQ(::symlink((dir / "elsewhere").c_str(), (tmp + "/qoru-link").c_str()), 0);
  test::MakeDir(tmp + "/qoru-test-nolock");  // no lock file: made now, or not ours
  test::WriteFile(tmp + "/qoru-file", "");   // not a folder
  const TemporaryFolder alive("runs");       // a running neighbour's

  const std::vector<std::string> removed = RemoveAbandonedFolders();
  EXPECT_EQ(removed, std::vector<std::string>{"qoru-screen-killed"});
  EXPECT_FALSE(PathExists(tmp + "/qoru-screen-killed"));
  for (const std::string& stays :
       {tmp + "/other-abc123", dir / "elsewhere/TemplateTemp/JZPZ.txt", tmp + "/qoru-link",
        tmp + "/qoru-test-nolock", tmp + "/qoru-file", alive.path()})
    EXPECT_TRUE(PathExists(stays)) << stays;
  EXPECT_EQ(AbandonedFoldersLine(removed),
            "已删除临时目录 " + tmp + " 中被强行结束的运行留下的 1 个文件夹：qoru-screen-killed");
  EXPECT_EQ(AbandonedFoldersLine({}), "");
}

// The interrupt's work, done in a child process: it leaves this one's registry as it is.
TEST(Interrupt, RunsItsStepsThenRemovesWhatIsRegisteredAndNothingLetGo) {
  test::TempDir dir;
  const std::string file = dir / "part.xlsx.tmp", folder = dir / "qoru-check-x",
                    kept = dir / "done.xlsx", seen = dir / "seen";
  RemovedOnInterrupt f(RemovedOnInterrupt::Kind::kFile, [&] {
    test::WriteFile(file, "partial");
    return file;
  });
  RemovedOnInterrupt d(RemovedOnInterrupt::Kind::kFolder, [&] {
    test::MakeDir(folder + "/TemplateTemp");
    test::WriteFile(folder + "/TemplateTemp/GBA.mdb", "books");
    return folder;
  });
  RemovedOnInterrupt done(RemovedOnInterrupt::Kind::kFile, [&] {
    test::WriteFile(kept, "complete");
    return kept;
  });
  done.Release();  // renamed into place, say
  const InterruptStep step([&](int signal) {
    // The children end before their folders go.
    test::WriteFile(seen, std::to_string(signal) + (PathExists(folder) ? " folder" : ""));
  });
  const pid_t pid = ::fork();
  if (pid == 0) {
    CleanUpAfterInterrupt(SIGTERM);
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_EQ(test::ReadFile(seen), std::to_string(SIGTERM) + " folder");
  EXPECT_FALSE(PathExists(file));
  EXPECT_FALSE(PathExists(folder));
  EXPECT_EQ(test::ReadFile(kept), "complete");
}

}  // namespace
}  // namespace qoru
