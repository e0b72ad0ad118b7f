// The terminal face as a user meets it: the command-line host in a pseudo-terminal.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "faces/terminal_face.h"
#include "gendata/dataset.h"
#include "test_support/db_fixture.h"
#include "test_support/programs.h"
#include "test_support/pty_session.h"
#include "test_support/temp_dir.h"
#include "text/display_width.h"

namespace qoru {
namespace {

using test::kHost;

TEST(TerminalFaceStatusLine, FitsEveryWidthAndKeepsThePercentage) {
  const std::string status = "正在处理凭证表，请稍候……";  // 26 columns, counted wide
  for (int columns = 1; columns <= 120; ++columns) {
    const std::string line = TerminalFace::StatusLine(status, 67, columns);
    EXPECT_LT(DisplayColumns(line), static_cast<std::size_t>(std::max(columns, 1)))
        << columns << ": " << line;
    if (columns >= 6) {
      EXPECT_NE(line.find("67%"), std::string::npos) << columns << ": " << line;
    }
  }
  // With room the bar shows its fill; without, the status is cut and keeps its tail.
  EXPECT_EQ(TerminalFace::StatusLine(status, 50, 80),
            status + " [###############...............] 50%");
  EXPECT_EQ(TerminalFace::StatusLine(status, 50, 20), "正在处理凭证\u2026 50%");
}

TEST(DisplayColumns, CountsWideCharactersAndFitsWithoutCuttingOne) {
  EXPECT_EQ(DisplayColumns("abc"), 3u);
  EXPECT_EQ(DisplayColumns("凭证"), 4u);
  EXPECT_EQ(DisplayColumns("……"), 4u);  // ambiguous width: counted wide
  EXPECT_EQ(FitColumns("凭证库abc", 5), "凭\u2026");
  EXPECT_EQ(FitColumns("凭证", 4), "凭证");
  const auto lines = WrapColumns("找不到表文件“JZPZ.txt”：格式说明 GSSM.txt 的节", 12);
  for (const auto& line : lines) EXPECT_LE(DisplayColumns(line), 14u) << line;
  std::string joined;
  for (const auto& line : lines) joined += line + " ";
  std::erase(joined, ' ');
  EXPECT_EQ(joined, "找不到表文件“JZPZ.txt”：格式说明GSSM.txt的节");
}

TEST(TerminalFace, InAFortyColumnTerminalNoLineWrapsAndOneClosingLineEnds) {
  test::TempDir tmp;
  test::MakeDir(tmp.path() + "src");
  gen::WriteSampleDataset(tmp.path() + "src");
  test::PtySession pty({kHost, "convert", "--source", tmp.path() + "src", "--work",
                        tmp.path() + "work", "--face", "terminal"},
                       40);
  ASSERT_EQ(pty.Wait(30000), 0) << pty.output();
  // What stays on the screen: the closing line (on stderr) and the path (on stdout,
  // whole, however long). Everything before the path fits in the width.
  const std::string path = tmp.path() + "work/TemplateTemp/GBA.mdb";
  const std::size_t at = pty.output().rfind(path);
  ASSERT_NE(at, std::string::npos) << pty.output();
  std::size_t widest = 0;
  test::ScreenLines(pty.output().substr(0, at), &widest);
  EXPECT_LT(widest, 40u) << pty.output();
  const auto lines = test::ScreenLines(pty.output(), &widest);
  ASSERT_GE(lines.size(), 2u) << pty.output();
  EXPECT_EQ(lines.back(), path);
  // One closing line, after which no status line is left on the screen.
  const auto closing = std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
    return l.rfind("转换完成：", 0) == 0;
  });
  ASSERT_NE(closing, lines.end()) << pty.output();
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& l) {
                            return l.rfind("转换", 0) == 0 && l.find("：") != std::string::npos &&
                                   l.rfind("转换摘要", 0) != 0;
                          }),
            1)
      << pty.output();
  for (auto l = lines.begin(); l != closing; ++l)
    EXPECT_EQ(l->find("正在"), std::string::npos) << "a status line was left: " << *l;
}

TEST(TerminalFace, FailedRunClosesWithTheReason) {
  test::TempDir tmp;
  test::MakeDir(tmp.path() + "src");
  gen::WriteSampleDataset(tmp.path() + "src");
  std::remove((tmp.path() + "src/JZPZ.txt").c_str());
  test::PtySession pty({kHost, "convert", "--source", tmp.path() + "src", "--work",
                        tmp.path() + "work", "--face", "terminal"},
                       40);
  pty.ReadUntil([](const std::string& out) { return out.find("回车") != std::string::npos; },
                30000);
  pty.Type("\r");  // dismisses the error box
  ASSERT_EQ(pty.Wait(30000), 1) << pty.output();
  std::size_t widest = 0;
  const auto lines = test::ScreenLines(pty.output(), &widest);
  EXPECT_LT(widest, 40u) << pty.output();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines.back(), "0");
  EXPECT_NE(std::find_if(
                lines.begin(), lines.end(),
                [](const std::string& l) { return l.rfind("转换未成功：找不到表文件", 0) == 0; }),
            lines.end())
      << pty.output();
}

TEST(TerminalFace, SecondCtrlCAbortsWithStatus130AndASoundDatabase) {
  test::TempDir tmp;
  gen::DatasetOptions options;
  options.postings = 300000;
  test::MakeDir(tmp.path() + "src");
  gen::WriteDataset(tmp.path() + "src", options);
  test::PtySession pty({kHost, "convert", "--source", tmp.path() + "src", "--work",
                        tmp.path() + "work", "--face", "terminal"},
                       80);
  ASSERT_TRUE(pty.ReadUntil(
      [](const std::string& out) { return out.find("正在处理凭证表") != std::string::npos; },
      60000))
      << pty.output();
  pty.Type("\x03");
  ASSERT_TRUE(pty.ReadUntil(
      [](const std::string& out) { return out.find("再按一次 Ctrl-C") != std::string::npos; },
      60000))
      << pty.output();
  pty.Type("\x03");
  EXPECT_EQ(pty.Wait(60000), 130) << pty.output();
  EXPECT_NE(pty.output().find("已中止"), std::string::npos) << pty.output();
  const std::string db = tmp.path() + "work/TemplateTemp/GBA.mdb";
  EXPECT_EQ(test::SqliteRows(db, "PRAGMA integrity_check"), test::Rows{{"ok"}});
}

}  // namespace
}  // namespace qoru
