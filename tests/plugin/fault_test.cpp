// Faults of the machine and the file system during a conversion. Each ends with the
// result "0", a message that names the cause, and no damaged database; through the
// command-line host the exit status is 1 and the message is on stderr.
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "faces/headless_face.h"
#include "files/file_system.h"
#include "gendata/dataset.h"
#include "host/ole_string.h"
#include "plugin/do_it.h"
#include "test_support/db_fixture.h"
#include "test_support/host_process.h"
#include "test_support/system.h"
#include "test_support/temp_dir.h"
#include "text/gbk_codec.h"

namespace qoru {
namespace {

using test::HostOptions;
using test::HostRun;
using test::RunHostConvert;

// A source directory with a generated book set and a work directory prepared the way
// the host prepares it.
struct Area {
  test::TempDir dir;
  std::string source = dir / "src";
  std::string work = dir / "work";
  std::string temp = work + "/TemplateTemp/";
  std::string db = temp + "GBA.mdb";

  explicit Area(int postings = 200) {
    test::MakeDir(source);
    test::MakeDir(work + "/DataBase");
    test::MakeDir(temp);
    test::WriteFile(work + "/DataBase/empty.mdb", "");
    gen::DatasetOptions options;
    options.postings = postings;
    gen::WriteDataset(source, options);
  }
  off_t SourceSize(const std::string& name) const {
    struct stat st {};
    return ::stat((source + "/" + name).c_str(), &st) == 0 ? st.st_size : 0;
  }
};

// The outcome every fault must have through the host.
void ExpectFailedRun(const HostRun& run, const std::string& cause) {
  EXPECT_EQ(run.signal, 0) << "the host died of signal " << run.signal;
  EXPECT_EQ(run.exit_code, 1) << run.err;
  EXPECT_TRUE(run.out == "0\n" || run.out.ends_with("\n0\n")) << run.out;
  EXPECT_NE(run.err.find(cause), std::string::npos) << run.err;
}

// A GBA.mdb that exists must open and pass the engine's own check.
void ExpectNoDamagedDatabase(const std::string& db) {
  if (PathExists(db)) {
    EXPECT_EQ(test::IntegrityCheck(db), "ok");
  }
}

TEST(Fault, DiskFillingUpWhileStagingStopsBeforeAnyDatabase) {
  QORU_SKIP_UNLESS_POSIX("a process cannot be given a file size limit on Windows");
  Area area(6000);
  HostOptions options;
  options.file_size_limit = static_cast<std::uint64_t>(area.SourceSize("JZPZ.txt") / 2);
  const HostRun run = RunHostConvert(area.source, area.work, {}, options);
  ExpectFailedRun(run, "文件超过了允许的大小");
  EXPECT_NE(run.err.find("JZPZ.txt"), std::string::npos) << run.err;
  EXPECT_FALSE(PathExists(area.db));
  for (const std::string& name : ListDirectory(area.temp)) {
    EXPECT_EQ(name.find("JZPZ.txt"), std::string::npos) << "no torn or temporary copy: " << name;
  }
}

TEST(Fault, DiskFillingUpWhileImportingEndsTheRunWithASoundDatabase) {
  QORU_SKIP_UNLESS_POSIX("a process cannot be given a file size limit on Windows");
  // Every staged file fits; the database that holds them all does not.
  Area area(6000);
  HostOptions options;
  options.file_size_limit = static_cast<std::uint64_t>(area.SourceSize("JZPZ.txt") + 16 * 1024);
  const HostRun run = RunHostConvert(area.source, area.work, {}, options);
  ExpectFailedRun(run, "文件超过了允许的大小");
  ASSERT_TRUE(PathExists(area.db));
  ExpectNoDamagedDatabase(area.db);
  // The import that ran out of room left no half table behind.
  const auto tables = test::TableNames(area.db);
  if (std::find(tables.begin(), tables.end(), "JZPZ") != tables.end()) {
    EXPECT_EQ(test::SqliteRows(area.db, "select count(*) from JZPZ"), (test::Rows{{"6000"}}));
  }
}

TEST(Fault, DiskFillingUpWhileCopyingTheTemplateIsReportedAsSuch) {
  QORU_SKIP_UNLESS_POSIX("a process cannot be given a file size limit on Windows");
  // A template of 2 MB, staged files far smaller, and room for 1 MB per file.
  Area area;
  const std::string template_path = area.work + "/DataBase/empty.mdb";
  std::filesystem::remove(template_path);
  test::WriteFile(template_path, "");
  test::SqliteExec(template_path,
                   "create table filler(b); insert into filler values (zeroblob(2000000))");
  HostOptions options;
  options.file_size_limit = 1 << 20;
  const HostRun run = RunHostConvert(area.source, area.work, {}, options);
  ExpectFailedRun(run, "文件超过了允许的大小");
  EXPECT_NE(run.err.find("无法把模板数据库"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("DataBase/empty.mdb"), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("database file not found"), std::string::npos) << run.err;
  EXPECT_FALSE(PathExists(area.db)) << "no torn copy";
  for (const std::string& name : ListDirectory(area.temp))
    EXPECT_EQ(name.find("GBA.mdb"), std::string::npos) << "no temporary copy: " << name;
}

TEST(Fault, ReadOnlyTemplateTempIsRefusedBeforeTheRunNamingTheFolder) {
  // An earlier run's files stay in a scratch folder that cannot be written; the host
  // refuses it (exit 2) before the run, saying what to do, and describes no database.
  Area area;
  test::WriteFile(area.temp + "/GBA.mdb", "");
  ASSERT_EQ(::chmod(area.temp.c_str(), 0555), 0);
  HostOptions options;
  options.obey_permissions = true;
  const HostRun run = RunHostConvert(area.source, area.work, {}, options);
  ::chmod(area.temp.c_str(), 0755);
  if (run.exit_code == test::kOptionsUnavailable)
    GTEST_SKIP() << "cannot drop the privilege to override file permissions here";
  EXPECT_EQ(run.signal, 0);
  EXPECT_EQ(run.exit_code, 2) << run.err;
  EXPECT_EQ(run.out.find(area.db), std::string::npos) << run.out;
  EXPECT_NE(run.err.find("TemplateTemp/ 不可写"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("请让它可写，或用 --work 换一个工作目录"), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("转换摘要"), std::string::npos) << run.err;
  EXPECT_EQ(ListDirectory(area.temp), std::vector<std::string>{"GBA.mdb"});
}

TEST(Fault, TemplateThatIsNotADatabaseIsNamedAndNotCopied) {
  Area area;
  test::WriteFile(area.work + "/DataBase/empty.mdb", "Standard Jet DB\n");
  const HostRun run = RunHostConvert(area.source, area.work);
  ExpectFailedRun(run, "不是 SQLite 数据库");
  EXPECT_NE(run.err.find("DataBase/empty.mdb"), std::string::npos) << run.err;
  EXPECT_FALSE(PathExists(area.db));
}

TEST(Fault, TableFileThatIsADirectoryStopsStagingNamingIt) {
  Area area;
  std::filesystem::remove(area.source + "/KMYE.txt");
  test::MakeDir(area.source + "/KMYE.txt");
  const HostRun run = RunHostConvert(area.source, area.work);
  ExpectFailedRun(run, "这是一个目录，不是文件");
  EXPECT_NE(run.err.find("KMYE.txt"), std::string::npos) << run.err;
  EXPECT_FALSE(PathExists(area.db));
}

// --- Faults at a chosen moment of a run inside this process --------------------------

// A headless face that calls `at_yield` with the number of each yield.
class HookFace : public HeadlessFace {
 public:
  HookFace(std::function<void(std::uint64_t)> at_yield)
      : HeadlessFace(Script{.record = true, .quiet = true}), at_yield_(std::move(at_yield)) {}
  bool ProcessMessages() override {
    const bool close = HeadlessFace::ProcessMessages();
    at_yield_(yields());
    return close;
  }

 private:
  std::function<void(std::uint64_t)> at_yield_;
};

struct InProcessRun {
  std::u16string result;
  std::vector<std::string> events;
};

InProcessRun RunWithHook(const Area& area, std::function<void(std::uint64_t)> at_yield) {
  HookFace face(std::move(at_yield));
  struct Forward : Face {
    HookFace& f;
    explicit Forward(HookFace& face) : f(face) {}
    FaceEvent WaitEvent(bool e, int i) override { return f.WaitEvent(e, i); }
    bool ProcessMessages() override { return f.ProcessMessages(); }
    void ProgressChanged(const ProgressBar& b) override { f.ProgressChanged(b); }
    void ErrorBox(const std::string& m) override { f.ErrorBox(m); }
    void Notice(const std::string& m) override { f.Notice(m); }
  };
  SetFaceFactory([&face] { return std::make_unique<Forward>(face); });
  BSTR result = nullptr;
  DoItImpl(&result, 0, (area.work + "/").c_str(), area.source.c_str(), nullptr);
  SetFaceFactory(nullptr);
  InProcessRun run{std::u16string(result, SysStringLen(result)), face.events()};
  SysFreeString(result);
  return run;
}

// The first recorded event that starts with `prefix` and contains every word, or "".
std::string EventWith(const std::vector<std::string>& events, const std::string& prefix,
                      std::initializer_list<std::string> words) {
  for (const std::string& e : events) {
    if (e.rfind(prefix, 0) != 0) continue;
    bool all = true;
    for (const std::string& w : words) all = all && e.find(w) != std::string::npos;
    if (all) return e;
  }
  return "";
}

TEST(Fault, SourceDirectoryVanishingWhileStagingEndsWithZero) {
  Area area;
  const InProcessRun run = RunWithHook(area, [&](std::uint64_t yield) {
    if (yield == 1) std::filesystem::remove_all(area.source);  // after the first copy
  });
  EXPECT_EQ(run.result, u"0");
  EXPECT_NE(EventWith(run.events, "notice:", {"拷贝源文件失败", "文件或目录不存在"}), "")
      << ::testing::PrintToString(run.events);
  EXPECT_FALSE(PathExists(area.db));
}

TEST(Fault, StagedTableReplacedByADirectoryStopsTheRewriteNamingIt) {
  Area area;
  const std::size_t files = ListDirectory(area.source).size();
  const InProcessRun run = RunWithHook(area, [&](std::uint64_t yield) {
    if (yield != files) return;  // the last copy is done; the rewrite comes next
    std::filesystem::remove(area.temp + "JZPZ.txt");
    test::MakeDir(area.temp + "JZPZ.txt");
  });
  EXPECT_EQ(run.result, u"0");
  EXPECT_NE(EventWith(run.events, "error:", {"JZPZ.txt", "这是一个目录，不是文件"}), "")
      << ::testing::PrintToString(run.events);
  EXPECT_FALSE(PathExists(area.db));
}

TEST(Fault, ReadOnlyTemplateTempEndsStagingWithZeroNamingTheCause) {
  Area area;
  ASSERT_EQ(::chmod(area.temp.c_str(), 0555), 0);
  InProcessRun run;
  {
    const test::WithoutPermissionOverride obey;
    if (!obey.active()) {
      ::chmod(area.temp.c_str(), 0755);
      GTEST_SKIP() << "cannot drop the privilege to override file permissions here";
    }
    run = RunWithHook(area, [](std::uint64_t) {});
  }
  ::chmod(area.temp.c_str(), 0755);
  EXPECT_EQ(run.result, u"0");
  EXPECT_NE(EventWith(run.events, "notice:", {"拷贝源文件失败", "TemplateTemp", "没有访问权限"}),
            "")
      << ::testing::PrintToString(run.events);
  EXPECT_TRUE(ListDirectory(area.temp).empty());
}

}  // namespace
}  // namespace qoru
