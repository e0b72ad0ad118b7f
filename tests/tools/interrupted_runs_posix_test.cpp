// A run of qoru-gbtxt interrupted at a chosen point (the test hook QORU_TEST_PAUSE_AT
// stops it there, and says so by a file) leaves nothing behind: no temporary folder,
// no partial workpaper, an earlier workpaper of the target's name as it was, and it
// ends with 128 + the signal; over many book sets the parent passes the interrupt on
// to its children and ends after them. A run killed outright leaves its folder, which
// the next run removes while a running neighbour's stays.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <stdexcept>
#include <thread>

#include <gtest/gtest.h>

#include "gendata/consistent_books.h"
#include "test_support/programs.h"
#include "test_support/temp_dir.h"
#include "test_support/three_book_sets.h"

extern char** environ;

namespace qoru {
namespace {

using Clock = std::chrono::steady_clock;

// A run of the host started with the hook set, its output to files.
class PausedRun {
 public:
  // `group`: the run leads a process group of its own, which a signal can be sent to
  // as a terminal sends Ctrl-C to every process of the foreground job. `gone_reader`:
  // its output is a pipe whose reader has gone, as after `| head`.
  PausedRun(const test::TempDir& dir, const std::vector<std::string>& args,
            const std::string& point, bool group = false, bool gone_reader = false)
      : marks_(dir / "marks" + std::to_string(++count_)) {
    test::MakeDir(marks_);
    std::vector<std::string> env = {"TMPDIR=" + dir / "tmp", "QORU_TEST_PAUSE_AT=" + point,
                                    "QORU_TEST_PAUSE_MARK=" + marks_};
    for (char** e = environ; *e != nullptr; ++e)
      if (std::string(*e).rfind("TMPDIR=", 0) != 0) env.emplace_back(*e);
    std::vector<std::string> argv = {test::kHost};
    argv.insert(argv.end(), args.begin(), args.end());
    const std::string err = dir / "err" + std::to_string(count_);
    err_ = err;
    int pipe_fds[2] = {-1, -1};
    if (gone_reader && ::pipe(pipe_fds) != 0) throw std::runtime_error("no pipe");
    pid_ = ::fork();
    if (pid_ == 0) {
      if (group) ::setpgid(0, 0);
      // As a shell starts a command in the foreground, whatever this process ignores.
      for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) ::signal(signal, SIG_DFL);
      if (gone_reader) ::close(pipe_fds[0]);
      const int out_fd = gone_reader ? pipe_fds[1] : ::open("/dev/null", O_WRONLY);
      const int err_fd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      ::dup2(out_fd, STDOUT_FILENO);
      ::dup2(err_fd, STDERR_FILENO);
      std::vector<char*> a, e;
      for (std::string& s : argv) a.push_back(s.data());
      for (std::string& s : env) e.push_back(s.data());
      a.push_back(nullptr);
      e.push_back(nullptr);
      ::execve(a[0], a.data(), e.data());
      ::_exit(127);
    }
    if (group) ::setpgid(pid_, pid_);
    if (gone_reader) {
      ::close(pipe_fds[0]);
      ::close(pipe_fds[1]);
    }
  }
  ~PausedRun() {
    if (!ended_) {
      ::kill(pid_, SIGKILL);
      Wait();
    }
  }

  // Waits until `n` processes stand at the point; false when the run ended first or
  // a minute passed.
  bool AwaitPaused(std::size_t n) {
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    while (Clock::now() < deadline) {
      std::size_t paused = 0;
      for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(marks_)) ++paused;
      if (paused >= n) return true;
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        ended_ = true;
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
  }
  // The exit code, or -1 when the run did not exit.
  int Wait() {
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0) {
    }
    ended_ = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  pid_t pid() const { return pid_; }
  std::string err() const { return test::ReadFile(err_); }

 private:
  static inline int count_ = 0;
  std::string marks_;
  std::string err_;
  pid_t pid_ = -1;
  bool ended_ = false;
};

std::set<std::string> Names(const std::string& dir) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir))
    names.insert(e.path().filename().string());
  return names;
}

// dir/sets/a and b (small consistent book sets), c (none); dir/tmp the runs' TMPDIR;
// dir/papers holding a.xlsx of an earlier run, and dir/wp.xlsx one too, which the runs
// are told to replace (--overwrite) once they are done.
std::string Prepare(const test::TempDir& dir) {
  gen::ConsistentOptions a;
  a.postings = 200;
  const std::string sets = test::ThreeBookSets(dir, a, a);
  test::MakeDir(dir / "tmp");
  test::MakeDir(dir / "papers");
  test::WriteFile(dir / "papers/a.xlsx", "earlier");
  test::WriteFile(dir / "wp.xlsx", "earlier");
  return sets;
}

TEST(InterruptedRuns, LeaveNoTemporaryFolderAndNoPartialFile) {
  test::TempDir dir;
  const std::string sets = Prepare(dir);
  const std::string a = sets + "/a", b = sets + "/b", wp = dir / "wp.xlsx", papers = dir / "papers";
  const struct {
    std::vector<std::string> args;
    const char* point;
    int signal;
    std::size_t paused;  // processes that stop at the point
    bool group;          // the signal to the whole group (a terminal's Ctrl-C)
  } cases[] = {
      {{"convert", "--source", a, "--work", dir / "work"}, "staging", SIGINT, 1, false},
      {{"inspect", "--source", a}, "import", SIGTERM, 1, false},
      {{"check", "--source", a}, "staging", SIGHUP, 1, false},
      {{"check", "--source", a, "--xlsx", wp, "--overwrite"}, "workpaper", SIGTERM, 1, false},
      {{"screen", "--source", a, "--json"}, "import", SIGINT, 1, false},
      {{"screen", "--source", a, "--xlsx", wp, "--overwrite"}, "workpaper", SIGINT, 1, false},
      {{"check", "--each", sets, "--jobs", "2", "--xlsx", papers, "--overwrite"},
       "testing",
       SIGINT,
       2,
       false},
      {{"screen", "--source", a, "--source", b, "--jobs", "1", "--xlsx", papers, "--overwrite"},
       "workpaper",
       SIGHUP,
       1,
       false},
      {{"screen", "--each", sets, "--jobs", "2", "--json"}, "testing", SIGINT, 2, true},
      {{"check", "--source", a, "--source", b, "--jobs", "2", "--json"},
       "import",
       SIGTERM,
       2,
       false},
  };
  for (const auto& c : cases) {
    std::string shown = c.point;
    for (const std::string& word : c.args) shown += " " + word;
    SCOPED_TRACE(shown + " / signal " + std::to_string(c.signal));
    PausedRun run(dir, c.args, c.point, c.group);
    ASSERT_TRUE(run.AwaitPaused(c.paused)) << run.err();
    ::kill(c.group ? -run.pid() : run.pid(), c.signal);
    EXPECT_EQ(run.Wait(), 128 + c.signal) << run.err();
    EXPECT_EQ(Names(dir / "tmp"), std::set<std::string>{});
    EXPECT_EQ(Names(papers), std::set<std::string>{"a.xlsx"});
    EXPECT_EQ(test::ReadFile(papers + "/a.xlsx"), "earlier");
    EXPECT_EQ(test::ReadFile(wp), "earlier");
    for (const std::string& name : Names(dir.path()))
      EXPECT_NE(name.rfind(".wp.xlsx.", 0), 0u) << "a partial workpaper: " << name;
  }
}

// `screen --json | head` ends the run by SIGPIPE as soon as it writes (once it left its
// work area, the staged copy of the books, in the temporary folder).
TEST(InterruptedRuns, AReaderThatWentAwayLeavesNothingBehind) {
  test::TempDir dir;
  const std::string sets = Prepare(dir);
  PausedRun run(dir, {"screen", "--source", sets + "/a", "--json"}, "none", false, true);
  EXPECT_EQ(run.Wait(), 128 + SIGPIPE) << run.err();
  EXPECT_EQ(Names(dir / "tmp"), std::set<std::string>{});
}

TEST(InterruptedRuns, AKilledRunsFolderGoesWithTheNextRunAndARunningNeighboursStays) {
  test::TempDir dir;
  const std::string sets = Prepare(dir);
  PausedRun neighbour(dir, {"check", "--source", sets + "/b"}, "testing");
  ASSERT_TRUE(neighbour.AwaitPaused(1)) << neighbour.err();
  const std::set<std::string> neighbours = Names(dir / "tmp");
  ASSERT_EQ(neighbours.size(), 1u);

  PausedRun killed(dir, {"screen", "--source", sets + "/a"}, "testing");
  ASSERT_TRUE(killed.AwaitPaused(1)) << killed.err();
  ::kill(killed.pid(), SIGKILL);
  killed.Wait();
  std::set<std::string> left = Names(dir / "tmp");
  for (const std::string& name : neighbours) left.erase(name);
  ASSERT_EQ(left.size(), 1u) << "killed outright, it could not clean up";

  // Any run removes what the killed one left, saying so, and leaves the neighbour's.
  PausedRun next(dir, {"inspect", "--source", sets + "/a"}, "none");
  EXPECT_EQ(next.Wait(), 0) << next.err();
  EXPECT_NE(next.err().find("被强行结束的运行留下的 1 个文件夹：" + *left.begin()),
            std::string::npos)
      << next.err();
  EXPECT_EQ(Names(dir / "tmp"), neighbours);

  ::kill(neighbour.pid(), SIGTERM);
  EXPECT_EQ(neighbour.Wait(), 128 + SIGTERM);
  EXPECT_EQ(Names(dir / "tmp"), std::set<std::string>{});
}

}  // namespace
}  // namespace qoru
