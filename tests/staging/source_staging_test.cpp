#include "staging/source_staging.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "errors/errors.h"
#include "faces/progress_bar.h"
#include "faces/stage_host.h"
#include "files/file_system.h"
#include "test_support/system.h"
#include "test_support/temp_dir.h"
#include "text/gbk_codec.h"
#include "text/string_list.h"

namespace qoru {
namespace {

using test::MakeDir;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;
using Names = std::vector<std::string>;

// Records what staging shows: status texts, every progress change and the yields.
class RecordingHost : public StageHost {
 public:
  RecordingHost() {
    bar_.set_listener([this](const ProgressBar& bar) {
      progress.emplace_back(bar.TotalParts(), bar.PartsComplete());
    });
  }
  ProgressBar& Progress() override { return bar_; }
  void SetStatus(const std::string& text_gbk) override { statuses.push_back(text_gbk); }
  void Yield() override { ++yields; }
  void Notice(const std::string& message) override { notices.push_back(message); }

  std::vector<std::pair<int, int>> progress;  // (TotalParts, PartsComplete) after each change
  Names statuses;
  Names notices;
  int yields = 0;

 private:
  ProgressBar bar_;
};

// A work area with its TemplateTemp directory and a source directory.
struct StagingArea {
  TempDir dir;
  std::string work = dir.path();
  std::string source = dir / "source";
  std::string temp = dir / "TemplateTemp/";
  StagingArea() {
    MakeDir(source);
    MakeDir(temp);
  }
  void Source(const std::string& name, const std::string& bytes) const {
    WriteFile(source + "/" + name, bytes);
  }
};

Names Sorted(Names names) {
  std::sort(names.begin(), names.end());
  return names;
}

Names ListedNames(const std::string& source_dir) {
  StringList list;
  list.SetCommaText(ListSourceFiles(source_dir));
  return Sorted(list.items());
}

TEST(SourceStagingTest, ListsNamesWhoseExtensionIsTxtInAnyAsciiCase) {
  StagingArea area;
  for (const std::string name :
       {"a.TXT", "b.Txt", "c.txt", "e.txt1", "f.text", "noextension", "g.txt.bak", "h.tx"})
    area.Source(name, "x");
  area.Source("with blank.txt", "x");
  // Windows holds no quotes in file names.
  const std::string quoted = test::PosixSystem() ? "a,b \"q\".txt" : "a,b 'q'.txt";
  area.Source(quoted, "x");
  area.Source(Gbk("凭证.txt"), "x");
  MakeDir(area.source + "/folder.txt");
  MakeDir(area.source + "/folder");

  EXPECT_EQ(ListedNames(area.source), Sorted({"a.TXT", "b.Txt", "c.txt", "with blank.txt", quoted,
                                              Gbk("凭证.txt"), "folder.txt"}));
}

TEST(SourceStagingTest, ListOfAMissingOrEmptyDirectoryIsEmptyText) {
  StagingArea area;
  EXPECT_EQ(ListSourceFiles(area.source), "");
  EXPECT_EQ(ListSourceFiles(area.dir / "missing"), "");
}

TEST(SourceStagingTest, CopiesEveryTxtFileByTheLineRulesUnderItsOwnName) {
  StagingArea area;
  struct Copy {
    std::string name;
    std::string source;
    std::string staged;
  };
  const Copy copies[] = {
      {"KJKM.TXT", "x\r\ny", "x\r\ny\r\n"},
      {"lf.txt", "a\nb\n", "a\r\nb\r\n"},
      {"cr.Txt", "a\rb", "a\r\nb\r\n"},
      {"empty.txt", "", ""},
      {"crlf.txt", "\r\n", "\r\n"},
      {"nul-byte.txt", std::string("ab\0cd", 5), "ab\r\n"},
      {"with blank.txt", "1\t2", "1\t2\r\n"},
      {"a,b.txt", "c,d\n", "c,d\r\n"},
      {Gbk("记账 凭证.txt"), Gbk("科目\t摘要"), Gbk("科目\t摘要") + "\r\n"},
  };
  for (const auto& c : copies) area.Source(c.name, c.source);
  area.Source("skip.text", "not copied");

  RecordingHost host;
  StagedNulBytes nuls;
  ASSERT_TRUE(StageSourceFiles(area.source, area.work, host, &nuls));

  for (const auto& c : copies) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(IsRegularFile(area.temp + c.name));
    EXPECT_EQ(ReadFile(area.temp + c.name), c.staged);
    EXPECT_EQ(ReadFile(area.source + "/" + c.name), c.source) << "the source stays as it was";
  }
  EXPECT_FALSE(PathExists(area.temp + "skip.text"));
  EXPECT_TRUE(host.notices.empty());
  // The copy cut short at its NUL is noted, for the run to refuse it if it reads it.
  ASSERT_EQ(nuls.size(), 1u);
  EXPECT_EQ(nuls.begin()->first, "nul-byte.txt");
  EXPECT_EQ(nuls.begin()->second.line, 1u);
  EXPECT_EQ(nuls.begin()->second.offset, 2u);
}

TEST(SourceStagingTest, ATextThatTheRunReadsIsRefusedForItsNulAnyOtherIsNot) {
  FormatDescription description;
  description.header_map.Add("JZPZ.txt='a'");
  const StagedNulBytes nuls = {{"note.txt", {3, 40}}, {"jzpz.txt", {11, 500}}};
  try {
    RefuseCutTexts(nuls, description, "src");
    ADD_FAILURE() << "a table file with a NUL was taken";
  } catch (const BookSetRefusal& e) {
    const std::string message = e.what();
    for (const char* word : {"src/JZPZ.txt", "第 11 行", "第 500 字节"})
      EXPECT_NE(message.find(word), std::string::npos) << word << ": " << message;
  }
  EXPECT_THROW(RefuseCutTexts({{"gssm.txt", {1, 0}}}, description, "src"), BookSetRefusal);
  EXPECT_NO_THROW(RefuseCutTexts({{"note.txt", {3, 40}}}, description, "src"));
}

TEST(SourceStagingTest, ASourceInsideTheWorkAreaIsRefusedHoweverItIsSpelt) {
  TempDir dir;
  const std::string work = dir / "w/";
  MakeDir(work);
  MakeDir(work + "TemplateTemp");
  MakeDir(work + "TemplateTemp/inner");
  MakeDir(work + "books");
  MakeDir(dir / "elsewhere");
  const struct {
    std::string source;
    bool refused;
  } cases[] = {
      {work + "TemplateTemp", true},
      {work + "TemplateTemp/", true},
      {work + "TemplateTemp/inner", true},
      {work + "books/../TemplateTemp", true},
      {dir / "w", true},
      {work + "books", false},
      {dir / "elsewhere", false},
      {dir.path(), false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(!SourceInWorkAreaProblem(c.source, work).empty(), c.refused) << c.source;
  if (test::PosixSystem()) {
    ASSERT_TRUE(test::MakeSymlink(work + "TemplateTemp", dir / "link"));
    EXPECT_FALSE(SourceInWorkAreaProblem(dir / "link", work).empty()) << "a link to TemplateTemp";
  }
}

TEST(SourceStagingTest, ProgressCountsFilesAndStatusTellsOfTheCopy) {
  StagingArea area;
  for (char c = 'a'; c < 'a' + 10; ++c) area.Source(std::string(1, c) + ".txt", "row");

  RecordingHost host;
  ASSERT_TRUE(StageSourceFiles(area.source, area.work, host));

  std::vector<std::pair<int, int>> expected = {{10, 0}};
  for (int i = 1; i <= 10; ++i) expected.emplace_back(10, i);
  EXPECT_EQ(host.progress, expected);
  EXPECT_EQ(host.yields, 10);
  EXPECT_EQ(host.statuses, Names{Gbk("正在拷贝数据，请稍候……")});
}

TEST(SourceStagingTest, MissingSourceDirectoryStagesNothingAndSucceeds) {
  StagingArea area;
  RecordingHost host;
  EXPECT_TRUE(StageSourceFiles(area.dir / "missing", area.work, host));
  EXPECT_EQ(host.Progress().TotalParts(), 0);
  EXPECT_EQ(host.yields, 0);
  EXPECT_EQ(host.statuses, Names{Gbk("正在拷贝数据，请稍候……")});
  EXPECT_TRUE(ListDirectory(area.temp).empty());
}

TEST(SourceStagingTest, FailsOnADirectoryNamedLikeATextFile) {
  StagingArea area;
  MakeDir(area.source + "/x.txt");
  RecordingHost host;
  EXPECT_FALSE(StageSourceFiles(area.source, area.work, host));
  EXPECT_EQ(host.notices.size(), 1u);
  EXPECT_FALSE(PathExists(area.temp + "x.txt"));
}

TEST(SourceStagingTest, LinksInTemplateTempAreReplacedNeverWrittenThrough) {
  QORU_SKIP_UNLESS_POSIX("making symbolic links needs a privilege on Windows");
  // A copy opened with O_TRUNC at the target's name would write into whatever a link
  // standing there points to, or create the file it dangles towards.
  StagingArea area;
  area.Source("a.txt", "new a");
  area.Source("b.txt", "new b");
  WriteFile(area.dir / "outside.txt", "keep me");
  ASSERT_TRUE(test::MakeSymlink(area.dir / "outside.txt", area.temp + "a.txt"));
  ASSERT_TRUE(test::MakeSymlink(area.dir / "dangling.txt", area.temp + "b.txt"));
  RecordingHost host;
  ASSERT_TRUE(StageSourceFiles(area.source, area.work, host));
  EXPECT_EQ(ReadFile(area.dir / "outside.txt"), "keep me");
  EXPECT_FALSE(PathExists(area.dir / "dangling.txt"));
  for (const char* name : {"a.txt", "b.txt"}) EXPECT_FALSE(IsSymbolicLink(area.temp + name));
  EXPECT_EQ(ReadFile(area.temp + "a.txt"), "new a\r\n");
  EXPECT_EQ(ReadFile(area.temp + "b.txt"), "new b\r\n");
  EXPECT_EQ(Sorted(ListDirectory(area.temp)), (Names{"a.txt", "b.txt"}));
}

TEST(SourceStagingTest, FailedCopyLeavesTheEarlierCopyAndNoTemporaryFile) {
  StagingArea area;
  WriteFile(area.temp + "x.txt", "earlier\r\n");
  MakeDir(area.source + "/x.txt");  // listed like a file; reading it fails
  RecordingHost host;
  EXPECT_FALSE(StageSourceFiles(area.source, area.work, host));
  EXPECT_EQ(ReadFile(area.temp + "x.txt"), "earlier\r\n");
  EXPECT_EQ(ListDirectory(area.temp), Names{"x.txt"});
  ASSERT_EQ(host.notices.size(), 1u);
  EXPECT_NE(host.notices[0].find("x.txt"), std::string::npos) << host.notices[0];
}

TEST(SourceStagingTest, PipeNamedLikeATextFileFailsAtOnceInsteadOfWaiting) {
  QORU_SKIP_UNLESS_POSIX("Windows has no named pipes in folders");
  StagingArea area;
  area.Source("a.txt", "x");
  ASSERT_TRUE(test::MakeFifo(area.source + "/p.txt"));
  RecordingHost host;
  EXPECT_FALSE(StageSourceFiles(area.source, area.work, host));
  ASSERT_EQ(host.notices.size(), 1u);
  EXPECT_NE(host.notices[0].find("p.txt"), std::string::npos) << host.notices[0];
  EXPECT_NE(host.notices[0].find("管道"), std::string::npos) << host.notices[0];
  EXPECT_FALSE(PathExists(area.temp + "p.txt"));
}

TEST(SourceStagingTest, FailsWithoutTemplateTemp) {
  TempDir dir;
  MakeDir(dir / "source");
  WriteFile(dir / "source/KJKM.txt", "x");
  RecordingHost host;
  EXPECT_FALSE(StageSourceFiles(dir / "source", dir.path(), host));
  EXPECT_FALSE(PathExists(dir / "TemplateTemp"));
}

TEST(SourceStagingTest, SecondRunOverwritesCopiesAndKeepsOthers) {
  StagingArea area;
  area.Source("a.txt", "first\n");
  area.Source("b.txt", "gone soon");
  RecordingHost first;
  ASSERT_TRUE(StageSourceFiles(area.source, area.work, first));

  WriteFile(area.source + "/a.txt", "2");
  std::remove((area.source + "/b.txt").c_str());
  RecordingHost second;
  ASSERT_TRUE(StageSourceFiles(area.source, area.work, second));
  EXPECT_EQ(ReadFile(area.temp + "a.txt"), "2\r\n");
  EXPECT_EQ(ReadFile(area.temp + "b.txt"), "gone soon\r\n");
  EXPECT_EQ(second.Progress().TotalParts(), 1);
}

TEST(SourceStagingTest, SourceThatIsTemplateTempKeepsItsData) {
  StagingArea area;
  WriteFile(area.temp + "KJKM.txt", "1001\tcash\n1002\tbank");
  RecordingHost host;
  ASSERT_TRUE(StageSourceFiles(area.dir / "TemplateTemp", area.work, host));
  EXPECT_EQ(ReadFile(area.temp + "KJKM.txt"), "1001\tcash\r\n1002\tbank\r\n");
}

}  // namespace
}  // namespace qoru
