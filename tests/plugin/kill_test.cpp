// A conversion killed at random moments never leaves a database that fails to open or
// to pass the engine's integrity check, and a later run over what it left succeeds.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "files/file_system.h"
#include "gendata/dataset.h"
#include "test_support/db_fixture.h"
#include "test_support/host_process.h"
#include "test_support/temp_dir.h"

namespace qoru {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPostings = 200000;
constexpr int kKills = 20;

// PRAGMA integrity_check of the database as a killed run left it, journal included,
// on a copy: the next run must meet the leftovers (a hot journal among them) itself.
std::string CheckCopy(const std::string& db, const std::string& scratch) {
  if (!PathExists(db)) return "ok";  // killed before the template was copied
  std::filesystem::remove_all(scratch);
  test::MakeDir(scratch);
  for (const char* suffix : {"", "-journal"}) {
    if (PathExists(db + suffix))
      std::filesystem::copy_file(db + suffix, scratch + "/GBA.mdb" + suffix);
  }
  return test::IntegrityCheck(scratch + "/GBA.mdb");
}

TEST(KillTest, KilledConversionsLeaveASoundDatabaseAndARerunFinishes) {
#if QORU_SANITIZED
  GTEST_SKIP() << "twenty conversions of 200,000 postings take minutes under the sanitizers";
#endif
  test::TempDir dir;
  const std::string source = dir / "src";
  const std::string work = dir / "work";
  const std::string db = work + "/TemplateTemp/GBA.mdb";
  test::MakeDir(source);
  gen::DatasetOptions options;
  options.postings = kPostings;
  options.balances = 5000;
  options.omit_parents = true;
  options.irregular_aux_groups = true;
  gen::WriteDataset(source, options);

  // One whole conversion gives the time over which the kills are spread.
  const Clock::time_point start = Clock::now();
  const test::HostRun whole = test::RunHostConvert(source, work);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  ASSERT_EQ(whole.exit_code, 0) << whole.err;

  // The moments are drawn from a fixed seed; where exactly a kill lands varies with the
  // machine, and every place must be safe, so no outcome depends on it. A kill counts
  // only when it hit a host that was still running: one whose host had finished (a run
  // over what an earlier one left can be quick) is tried again, earlier.
  std::mt19937_64 rng(20260311);
  int landed = 0;
  int missed = 0;
  double scale = 1.0;  // halved for each retry of a kill that missed
  for (int k = 0; landed < kKills; ++k) {
    ASSERT_LE(missed, kKills) << "most kills came after the host had finished";
    const double fraction = static_cast<double>(rng() >> 11) / static_cast<double>(1ull << 53);
    const auto delay = std::chrono::duration<double>(seconds * scale * (0.02 + 0.96 * fraction));
    // Every other run continues over what the killed one left (a hot journal, half
    // staged files, a stray temporary file), the others start from an emptied folder.
    const bool keep = k % 2 == 1;
    const pid_t pid = test::StartHostConvert(
        source, work, keep ? std::vector<std::string>{"--keep-work"} : std::vector<std::string>{});
    std::this_thread::sleep_for(delay);
    int status = 0;
    const bool running = ::waitpid(pid, &status, WNOHANG) == 0;
    if (running) {
      ::kill(pid, SIGKILL);
      while (::waitpid(pid, &status, 0) < 0) {
      }
    }
    const bool hit = running && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    const std::string check = CheckCopy(db, dir / "check");
    std::printf("kill %2d at %5.2f s%s: %s, GBA.mdb %s%s -> %s\n", landed + 1, delay.count(),
                keep ? " (--keep-work)" : "", hit ? "killed" : "missed: the host had finished",
                PathExists(db) ? "present" : "absent",
                PathExists(db + "-journal") ? " with journal" : "", check.c_str());
    EXPECT_EQ(check, "ok") << "kill " << landed + 1 << " at " << delay.count() << " s";
    if (hit) {
      ++landed;
      scale = 1.0;
    } else {
      ++missed;
      scale /= 2;
    }
  }
  EXPECT_EQ(landed, kKills);

  const test::HostRun rerun = test::RunHostConvert(source, work, {"--keep-work"});
  EXPECT_EQ(rerun.exit_code, 0) << rerun.err;
  EXPECT_TRUE(rerun.out.ends_with(db + "\n")) << rerun.out;
  EXPECT_EQ(test::IntegrityCheck(db), "ok");
  EXPECT_EQ(test::SqliteRows(db, "select count(*), count(flxh) from JZPZ"),
            (test::Rows{{std::to_string(kPostings), std::to_string(kPostings)}}));
}

}  // namespace
}  // namespace qoru
