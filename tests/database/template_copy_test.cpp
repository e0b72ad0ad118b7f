// The copy of the template into TemplateTemp/GBA.mdb: never through a link, never of
// a file that is not a database, never leaving a half-written GBA.mdb.

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "database/staging_database.h"
#include "errors/errors.h"
#include "files/file_system.h"
#include "test_support/db_fixture.h"
#include "test_support/system.h"
#include "test_support/temp_dir.h"

namespace qoru::db {
namespace {

using test::DirectoryEntries;
using test::MakeDir;
using test::ReadFile;
using test::WriteFile;
using Names = std::vector<std::string>;

struct WorkArea {
  test::TempDir dir;
  std::string work = dir.path();
  std::string template_path = work + "DataBase/empty.mdb";
  std::string db = work + "TemplateTemp/GBA.mdb";
  explicit WorkArea(const std::string& template_bytes = "") {
    MakeDir(work + "DataBase");
    MakeDir(work + "TemplateTemp");
    WriteFile(template_path, template_bytes);
  }
};

std::string SqliteTemplate() {
  test::TempDir dir;
  const std::string path = dir / "t.db";
  WriteFile(path, "");
  test::SqliteExec(path, "CREATE TABLE keep(x); INSERT INTO keep VALUES (1)");
  return ReadFile(path);
}

TEST(TemplateCopyTest, CopiesEmptyOrSqliteTemplatesAndLeavesNoTemporaryFile) {
  for (const std::string& bytes : {std::string(), SqliteTemplate()}) {
    WorkArea area(bytes);
    EXPECT_EQ(CreateStagingDatabase(area.work), area.db);
    EXPECT_EQ(ReadFile(area.db), bytes);
    EXPECT_EQ(DirectoryEntries(area.work + "TemplateTemp"), Names{"GBA.mdb"});
  }
}

TEST(TemplateCopyTest, TemplateThatIsNotADatabaseIsRefusedNamingIt) {
  const std::string cases[] = {
      "this is text, not a database\n",
      "SQLite",                              // too short for the header
      std::string("SQLite format 2\0", 16),  // another format
      std::string(4096, '\0'),               // zeros
  };
  for (const std::string& bytes : cases) {
    SCOPED_TRACE(bytes.substr(0, 16));
    WorkArea area(bytes);
    try {
      CreateStagingDatabase(area.work);
      ADD_FAILURE() << "no failure";
    } catch (const FileError& e) {
      EXPECT_NE(std::string(e.what()).find("DataBase/empty.mdb"), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find("不是 SQLite 数据库"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(DirectoryEntries(area.work + "TemplateTemp").empty()) << "no GBA.mdb";
  }
}

TEST(TemplateCopyTest, ExistingStagingDatabaseIsKeptWhateverTheTemplate) {
  WorkArea area("garbage");
  WriteFile(area.db, "");
  EXPECT_EQ(CreateStagingDatabase(area.work), area.db);
  EXPECT_EQ(ReadFile(area.db), "");
}

TEST(TemplateCopyTest, LinksAtTheDatabaseOrItsJournalAreRefused) {
  QORU_SKIP_UNLESS_POSIX("making symbolic links needs a privilege on Windows");
  for (const std::string name : {"GBA.mdb", "GBA.mdb-journal", "GBA.mdb-wal"}) {
    for (const bool dangling : {false, true}) {
      SCOPED_TRACE(name + (dangling ? " dangling" : ""));
      WorkArea area;
      const std::string outside = area.dir / "outside.db";
      if (!dangling) WriteFile(outside, "precious");
      ASSERT_TRUE(test::MakeSymlink(outside, area.work + "TemplateTemp/" + name));
      try {
        CreateStagingDatabase(area.work);
        ADD_FAILURE() << "no failure";
      } catch (const FileError& e) {
        EXPECT_NE(std::string(e.what()).find(name), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("符号链接"), std::string::npos) << e.what();
      }
      EXPECT_EQ(PathExists(outside), !dangling);
      if (!dangling) {
        EXPECT_EQ(ReadFile(outside), "precious");
      }
      EXPECT_EQ(DirectoryEntries(area.work + "TemplateTemp"), Names{name});
    }
  }
}

TEST(CopyFileExclusiveTest, NeverReplacesOrFollowsWhatStandsAtTheTarget) {
  QORU_SKIP_UNLESS_POSIX("making symbolic links needs a privilege on Windows");
  test::TempDir dir;
  WriteFile(dir / "source", "new");
  WriteFile(dir / "file", "old");
  ASSERT_TRUE(test::MakeSymlink(dir / "nowhere", dir / "link"));
  EXPECT_FALSE(CopyFileExclusive(dir / "source", dir / "file"));
  EXPECT_FALSE(CopyFileExclusive(dir / "source", dir / "link"));
  EXPECT_EQ(ReadFile(dir / "file"), "old");
  EXPECT_FALSE(PathExists(dir / "nowhere"));

  MakeDir(dir / "a-directory");
  EXPECT_FALSE(CopyFileExclusive(dir / "a-directory", dir / "copy")) << "reading fails";
  EXPECT_TRUE(CopyFileExclusive(dir / "source", dir / "fresh"));
  EXPECT_EQ(ReadFile(dir / "fresh"), "new");
  EXPECT_EQ(DirectoryEntries(dir.path()),
            (Names{"a-directory", "file", "fresh", "link", "source"}));
}

}  // namespace
}  // namespace qoru::db
