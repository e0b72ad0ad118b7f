// The host's child processes on Windows: the command line splits back into the very
// words it was made of, and a child runs with its output and errors in files of their
// own and its exit code or exception reported.
#include <windows.h>

#include <gtest/gtest.h>
#include <shellapi.h>

#include <map>
#include <string>
#include <vector>

#include "files/file_system.h"
#include "process/child_process.h"
#include "process/command_line_win.h"
#include "test_support/temp_dir.h"
#include "text/gbk_codec.h"

namespace qoru::process {
namespace {

std::vector<std::string> SplitBack(const std::wstring& line) {
  int count = 0;
  wchar_t** words = CommandLineToArgvW(line.c_str(), &count);
  std::vector<std::string> out;
  for (int i = 0; i < count; ++i) {
    const std::wstring w = words[i];
    out.push_back(Utf8ToGbk(Utf16ToUtf8(std::u16string(w.begin(), w.end()))));
  }
  LocalFree(words);
  return out;
}

TEST(WindowsCommandLine, EveryWordComesBackAsItWent) {
  const std::vector<std::string> words = {"C:/Program Files/qoru/qoru-gbtxt.exe",
                                          "check",
                                          "",
                                          "two words",
                                          "tab\there",
                                          "say \"hi\"",
                                          "trailing\\",
                                          "trailing space\\",
                                          "back\\\\\"slash",
                                          "C:\\dir with blank\\",
                                          "\\\\server\\share\\账套",
                                          Gbk("D:/审计/2024年账套"),
                                          "KJKM.role=科目 名称",
                                          "\"",
                                          "\\\"",
                                          "a\\\\b"};
  const std::vector<std::string> back = SplitBack(CommandLine(words));
  ASSERT_EQ(back.size(), words.size());
  EXPECT_EQ(back[0], "C:\\Program Files\\qoru\\qoru-gbtxt.exe");
  for (std::size_t i = 1; i < words.size(); ++i) EXPECT_EQ(back[i], words[i]) << i;
}

std::string SystemFolder() {
  wchar_t buffer[MAX_PATH];
  const UINT n = GetSystemDirectoryW(buffer, MAX_PATH);
  return Utf8ToGbk(Utf16ToUtf8(std::u16string(buffer, buffer + n)));
}

TEST(WindowsChildProcesses, OutputAndErrorsGoToTheirFilesAndTheExitCodeComesBack) {
  test::TempDir dir;
  const std::string cmd = SystemFolder() + "/cmd.exe";
  ChildProcesses children;
  std::string error;
  ASSERT_TRUE(children.Start(7, {cmd, "/c", "echo out& (echo err 1>&2)& exit 3"}, dir / "a.out",
                             dir / "a.err", &error))
      << error;
  ASSERT_TRUE(children.Start(8, {cmd, "/c", "exit 0"}, dir / "b.out", dir / "b.err", &error))
      << error;
  EXPECT_EQ(children.running(), 2u);
  std::map<std::size_t, ChildEnd> ends;
  ChildEnd end;
  while (children.WaitAny(&end)) ends[end.tag] = end;
  EXPECT_EQ(children.running(), 0u);
  ASSERT_EQ(ends.size(), 2u);
  EXPECT_EQ(ends[7].exit_code, 3);
  EXPECT_EQ(ends[7].abnormal, "");
  EXPECT_EQ(ends[8].exit_code, 0);
  EXPECT_EQ(test::ReadFile(dir / "a.out").substr(0, 3), "out");
  EXPECT_EQ(test::ReadFile(dir / "a.err").substr(0, 3), "err");
  EXPECT_EQ(test::ReadFile(dir / "b.out"), "");
  // Nothing is left open: the files can be removed at once.
  EXPECT_TRUE(RemoveTree(dir / "a.out"));
}

TEST(WindowsChildProcesses, AnExceptionIsReportedByItsCode) {
  test::TempDir dir;
  ChildProcesses children;
  std::string error;
  // cmd's exit code taken as an exception code: 0xC0000005 ends it as a crash would.
  ASSERT_TRUE(children.Start(1, {SystemFolder() + "/cmd.exe", "/c", "exit -1073741819"},
                             dir / "out", dir / "err", &error))
      << error;
  ChildEnd end;
  ASSERT_TRUE(children.WaitAny(&end));
  EXPECT_EQ(end.abnormal, "代码 0xC0000005");
}

TEST(WindowsChildProcesses, AProgramThatIsMissingIsReportedWithoutStarting) {
  test::TempDir dir;
  ChildProcesses children;
  std::string error;
  EXPECT_FALSE(children.Start(1, {dir / "missing.exe"}, dir / "out", dir / "err", &error));
  EXPECT_NE(error.find("无法启动检查进程"), std::string::npos) << error;
  EXPECT_EQ(children.running(), 0u);
  ChildEnd end;
  EXPECT_FALSE(children.WaitAny(&end));
}

TEST(WindowsChildProcesses, ThisProgramsPathUsesForwardSlashes) {
  const std::string self = SelfPath();
  EXPECT_EQ(self.find('\\'), std::string::npos) << self;
  EXPECT_NE(self.find(".exe"), std::string::npos) << self;
}

}  // namespace
}  // namespace qoru::process
