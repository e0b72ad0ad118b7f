// Engine errors that come from the files, not from the statement (a full disk, a file
// that is not a database): the statement runner passes them on instead of skipping the
// statement, so that a run never goes on over writes that did not happen.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <string>

#include <gtest/gtest.h>

#include "database/engine/engine_error.h"
#include "database/query/connection.h"
#include "database/query/statement_runner.h"
#include "test_support/db_fixture.h"
#include "test_support/host_process.h"
#include "test_support/log_capture.h"
#include "test_support/temp_dir.h"
#include "text/gbk_codec.h"

namespace qoru::db {
namespace {

// Lowers this process's file size limit while it lives. SIGXFSZ is ignored meanwhile,
// so that a write beyond the limit fails with EFBIG instead of ending the tests.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    previous_ = ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{bytes, saved_.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    ::signal(SIGXFSZ, previous_);
  }

 private:
  rlimit saved_{};
  sighandler_t previous_ = SIG_DFL;
};

off_t SizeOf(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_size : 0;
}

class EngineIoErrorTest : public test::DatabaseTest {
 protected:
  EngineIoErrorTest() { Execute("create table t(x varchar(250))"); }
  ~EngineIoErrorTest() override { test::ClearLog(); }
};

TEST_F(EngineIoErrorTest, FullDiskEndsTheStatementRunnerInsteadOfBeingSkipped) {
  const std::string grow = "insert into t(x) select hex(zeroblob(300000))";
  {
    const FileSizeLimit limit(static_cast<rlim_t>(SizeOf(db_path_)) + 4096);
    try {
      runner_.ExecuteStatement(grow);
      ADD_FAILURE() << "a write beyond the file size limit was skipped like a rejected statement";
    } catch (const EngineIoError& e) {
      // SQLite's words, and what they mean for the user.
      EXPECT_NE(std::string(e.what()).find("文件超过了允许的大小"), std::string::npos) << e.what();
    }
  }
  // The database is as it was before the statement, and usable again.
  EXPECT_EQ(Sql("select count(*) from t"), (test::Rows{{"0"}}));
  EXPECT_TRUE(runner_.ExecuteStatement(grow));
  EXPECT_EQ(Sql("select count(*) from t"), (test::Rows{{"1"}}));
  connection_.Close();
  EXPECT_EQ(test::IntegrityCheck(db_path_), "ok");
}

TEST_F(EngineIoErrorTest, RejectedStatementsAreStillSkipped) {
  EXPECT_FALSE(runner_.ExecuteStatement("insert into no_such_table(x) values('1')"));
  EXPECT_FALSE(runner_.OpenQuery("select * from no_such_table"));
  EXPECT_EQ(test::LogEntries().size(), 1u);
}

TEST(EngineIoErrorImportTest, ImportIntoAFileThatIsNotADatabaseEndsTheRunner) {
  test::TempDir dir;
  test::WriteFile(dir / "GBA.mdb", std::string(8192, 'x'));
  test::WriteFile(dir / "K.txt", "a,b\r\n1,2\r\n");
  Connection connection;
  Query main(connection, "CurADOQuery");
  Query lookup(connection, "tmpQuery");
  StatementRunner runner(connection, main, lookup);
  connection.SetConnectionString(test::TextConnectionString(dir.path()));
  connection.Open();
  EXPECT_THROW(runner.ExecuteStatement("select * into K in '" + dir / "GBA.mdb" + "' from K#txt"),
               EngineIoError);
  // A missing database file is the statement's fault: skipped, as before.
  EXPECT_FALSE(runner.ExecuteStatement("select * into K in '" + dir / "none.mdb" + "' from K#txt"));
}

}  // namespace
}  // namespace qoru::db
