// One conversion per work area, in processes: a second conversion into a work area in
// use, through the command-line host or through DoIt itself, is refused at once with
// a message naming the work area; the first finishes untouched. The lock is the
// kernel's: it dies with its process.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "files/file_system.h"
#include "files/work_area_lock.h"
#include "gendata/dataset.h"
#include "test_support/bookset.h"
#include "test_support/db_fixture.h"
#include "test_support/host_process.h"
#include "test_support/temp_dir.h"
#include "text/gbk_codec.h"

namespace qoru {
namespace {

using Clock = std::chrono::steady_clock;

// Whether some process holds the lock of the work area `work` (ending with "/").
bool LockHeld(const std::string& work) {
  const int fd = ::open((work + WorkAreaLock::kFileName).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
  ::close(fd);
  return held;
}

// A child process that holds the work area's lock until it is killed.
pid_t HoldLockInChild(const std::string& work) {
  int ready[2];
  if (::pipe(ready) != 0) return -1;
  const pid_t pid = ::fork();
  if (pid == 0) {
    WorkAreaLock lock;
    const char ok = lock.TryLock(work) == WorkAreaLock::Outcome::kLocked ? '1' : '0';
    if (::write(ready[1], &ok, 1) != 1) ::_exit(1);
    ::pause();
    ::_exit(0);
  }
  char ok = '0';
  if (::read(ready[0], &ok, 1) != 1) ok = '0';
  ::close(ready[0]);
  ::close(ready[1]);
  return ok == '1' ? pid : -1;
}

int WaitFor(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(WorkAreaLock, SecondHostAndDoItAreRefusedWhileAConversionRunsAndItFinishesWhole) {
  test::TempDir dir;
  const std::string source = dir / "src";
  const std::string work = dir / "work";
  test::MakeDir(source);
  gen::DatasetOptions options;
  options.postings = 150000;
  gen::WriteDataset(source, options);

  const pid_t first = test::StartHostConvert(source, work);
  const Clock::time_point start = Clock::now();
  while (!LockHeld(work + "/") && Clock::now() - start < std::chrono::seconds(30))
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  ASSERT_TRUE(LockHeld(work + "/")) << "the first conversion never took the work area";

  const test::HostRun second = test::RunHostConvert(source, work);
  const test::RunOutcome third = test::RunDoIt(work + "/", source);
  int status = 0;
  const bool first_still_running = ::waitpid(first, &status, WNOHANG) == 0;

  EXPECT_EQ(second.exit_code, 1) << second.err;
  EXPECT_EQ(second.out, "0\n");
  EXPECT_NE(second.err.find(work), std::string::npos) << second.err;
  EXPECT_NE(second.err.find("正被另一个转换使用"), std::string::npos) << second.err;
  EXPECT_EQ(third.result, u"0");
  bool noted = false;
  for (const std::string& e : third.events)
    noted =
        noted || (e.rfind("notice:", 0) == 0 && e.find("正被另一个转换使用") != std::string::npos &&
                  e.find(work) != std::string::npos);
  EXPECT_TRUE(noted) << ::testing::PrintToString(third.events);
  EXPECT_TRUE(first_still_running) << "the refusals came while the first conversion ran";

  EXPECT_EQ(first_still_running ? WaitFor(first) : WEXITSTATUS(status), 0);
  const std::string db = work + "/TemplateTemp/GBA.mdb";
  EXPECT_EQ(test::IntegrityCheck(db), "ok");
  EXPECT_EQ(test::SqliteRows(db, "select count(*), count(flxh) from JZPZ"),
            (test::Rows{{"150000", "150000"}}));
  EXPECT_FALSE(LockHeld(work + "/")) << "the lock ends with the conversion";
}

TEST(WorkAreaLock, DoItRefusesAWorkAreaThatAnotherProcessHoldsAndTouchesNothing) {
  test::Workspace ws;
  ws.WriteBookSet(test::TwoTypeSet());
  test::WriteFile(ws.work() + "TemplateTemp/KJKM.txt", "left by the other conversion");
  const pid_t holder = HoldLockInChild(ws.work());
  ASSERT_GT(holder, 0);
  const test::RunOutcome refused = test::RunDoIt(ws.work(), ws.source());
  ::kill(holder, SIGKILL);
  WaitFor(holder);

  EXPECT_EQ(refused.result, u"0");
  EXPECT_EQ(test::ReadFile(ws.work() + "TemplateTemp/KJKM.txt"), "left by the other conversion");
  EXPECT_FALSE(PathExists(ws.db()));
  // The holder was killed: the kernel let go of its lock, and a run goes ahead.
  const test::RunOutcome after = test::RunDoIt(ws.work(), ws.source());
  EXPECT_EQ(after.result, GbkToUtf16(ws.db())) << ::testing::PrintToString(after.events);
}

TEST(WorkAreaLock, ALockFileThatCannotBeOpenedRefusesTheRunNamingTheFile) {
  const struct {
    const char* name;
    void (*spoil)(const std::string& lock_path);
  } cases[] = {
      {"a symbolic link", [](const std::string& p) { ASSERT_EQ(::symlink("/tmp", p.c_str()), 0); }},
      {"a directory", [](const std::string& p) { ASSERT_EQ(::mkdir(p.c_str(), 0755), 0); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::Workspace ws;
    ws.WriteBookSet(test::TwoTypeSet());
    c.spoil(ws.work() + WorkAreaLock::kFileName);
    WorkAreaLock lock;
    const WorkAreaLock::Outcome outcome = lock.TryLock(ws.work());
    EXPECT_EQ(outcome, WorkAreaLock::Outcome::kBlocked);
    std::string message;
    EXPECT_TRUE(lock.Refuses(outcome, ws.work(), &message));
    EXPECT_NE(message.find(WorkAreaLock::kFileName), std::string::npos) << message;
    const test::RunOutcome refused = test::RunDoIt(ws.work(), ws.source());
    EXPECT_EQ(refused.result, u"0");
    EXPECT_FALSE(PathExists(ws.db()));
  }
  // No work directory at all is not the lock's to refuse.
  WorkAreaLock none;
  EXPECT_EQ(none.TryLock("/nonexistent/qoru/work/"), WorkAreaLock::Outcome::kUnavailable);
}

}  // namespace
}  // namespace qoru
