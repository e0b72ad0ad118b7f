// The command-line host and the shared library as a host sees them.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "gendata/dataset.h"
#include "test_support/command.h"
#include "test_support/log_capture.h"
#include "test_support/programs.h"
#include "test_support/temp_dir.h"
#include "text/gbk_codec.h"

namespace qoru {
namespace {

using test::Ran;
using test::RunCommand;

using test::kHost;
const std::string kLibrary = std::string(QORU_BINARY_DIR) + "/libqoru_ERP_GBtxt.so";

TEST(CommandLineHost, HelpNamesTheCommandAndItsOptions) {
  const Ran ran = RunCommand(kHost + " convert --help");
  EXPECT_EQ(ran.exit_code, 0);
  for (const char* word : {"--source", "--work", "--face", "--keep-work"})
    EXPECT_NE(ran.out.find(word), std::string::npos) << word;
}

TEST(CommandLineHost, EveryArgumentErrorExitsTwoWithAChineseLineNamingTheWord) {
  test::TempDir tmp;
  const std::string sample = test::kSample;
  const std::string work = tmp.path() + "w";
  const struct {
    std::string args;
    std::string expected;  // in the message
  } cases[] = {
      {"", "缺少子命令"},
      {"frobnicate", "未知的子命令 frobnicate"},
      {"--bogus", "未知的选项 --bogus"},
      {"convert --work " + work, "缺少必需的选项 --source"},
      {"convert --source " + sample, "缺少必需的选项 --work"},
      {"convert --source", "--source 缺少值"},
      {"convert --source " + sample + " --work " + work + " --face fancy", "fancy"},
      {"convert --source " + sample + " --work " + work + " extra", "多余的参数：extra"},
      {"convert --source " + sample + " --work " + work + " --bogus", "未知的选项 --bogus"},
      {"convert --source " + tmp.path() + "nowhere --work " + work, tmp.path() + "nowhere"},
  };
  for (const auto& c : cases) {
    const Ran ran = RunCommand(kHost + " " + c.args);
    EXPECT_EQ(ran.exit_code, 2) << c.args << "\n" << ran.out;
    EXPECT_NE(ran.out.find(c.expected), std::string::npos) << c.args << "\n" << ran.out;
    for (const char* english : {"required", "expected", "not in", "Error", "Run with"})
      EXPECT_EQ(ran.out.find(english), std::string::npos) << c.args << "\n" << ran.out;
  }
  EXPECT_FALSE(std::filesystem::exists(work)) << "a refused call must not prepare the work area";
}

TEST(CommandLineHost, HelpIsChineseAndVersionPrintsTheVersion) {
  for (const char* args : {" --help", " convert --help", " -h"}) {
    const Ran ran = RunCommand(kHost + args);
    EXPECT_EQ(ran.exit_code, 0) << args;
    EXPECT_NE(ran.out.find("用法"), std::string::npos) << ran.out;
    for (const char* english : {"Usage", "Options", "OPTIONS", "Subcommands", "SUBCOMMAND",
                                "REQUIRED", "TEXT", "Print this help", "Display program"})
      EXPECT_EQ(ran.out.find(english), std::string::npos) << english << " in\n" << ran.out;
  }
  const Ran version = RunCommand(kHost + " --version");
  EXPECT_EQ(version.exit_code, 0);
  EXPECT_EQ(version.out, std::string("qoru-gbtxt ") + QORU_VERSION + "\n");
}

TEST(CommandLineHost, SourceWithoutFormatDescriptionIsRefusedBeforeTheLibraryIsCalled) {
  test::TempDir tmp;
  test::MakeDir(tmp.path() + "src");
  test::WriteFile(tmp.path() + "src/KJKM.txt", "1001\tx\r\n");
  const Ran ran = RunCommand(kHost + " convert --face headless --source " + tmp.path() +
                             "src --work " + tmp.path() + "work");
  EXPECT_EQ(ran.exit_code, 2);
  EXPECT_EQ(std::count(ran.out.begin(), ran.out.end(), '\n'), 1) << ran.out;
  EXPECT_NE(ran.out.find("GSSM.txt"), std::string::npos) << ran.out;
  EXPECT_FALSE(std::filesystem::exists(tmp.path() + "work"));

  // A description under another case is named as such.
  test::WriteFile(tmp.path() + "src/gssm.TXT", "[会计科目]\r\n");
  const Ran other_case = RunCommand(kHost + " convert --face headless --source " + tmp.path() +
                                    "src --work " + tmp.path() + "work");
  EXPECT_EQ(other_case.exit_code, 2);
  EXPECT_NE(other_case.out.find("gssm.TXT"), std::string::npos) << other_case.out;
}

TEST(CommandLineHost, WorkDirectoryThatCannotBeWrittenIsNamedAsSuch) {
  test::TempDir tmp;
  const std::string sample = test::kSample;
  // Root passes every permission check; a file system that refuses writes does not.
  std::string locked = tmp.path() + "locked";
  test::MakeDir(locked);
  ::chmod(locked.c_str(), 0555);
  if (::geteuid() == 0) locked = "/sys/kernel";
  const Ran ran =
      RunCommand(kHost + " convert --face headless --source " + sample + " --work " + locked);
  ::chmod((tmp.path() + "locked").c_str(), 0755);
  EXPECT_EQ(ran.exit_code, 2) << ran.out;
  EXPECT_NE(ran.out.find("不可写"), std::string::npos) << ran.out;
  EXPECT_NE(ran.out.find(locked), std::string::npos) << ran.out;
  EXPECT_EQ(ran.out.find("无法创建"), std::string::npos) << ran.out;
}

TEST(CommandLineHost, ConvertsTheSampleAndPrintsTheDatabasePath) {
  test::TempDir tmp;
  const std::string source = test::kSample;
  const std::string work = tmp.path() + "work";
  const Ran ran =
      RunCommand(kHost + " convert --face headless --source " + source + " --work " + work);
  EXPECT_EQ(ran.exit_code, 0) << ran.out;
  EXPECT_NE(ran.out.find(work + "/TemplateTemp/GBA.mdb"), std::string::npos) << ran.out;
  EXPECT_TRUE(std::filesystem::exists(work + "/DataBase/empty.mdb"));

  // A second conversion starts from an emptied scratch folder and succeeds again.
  const Ran again =
      RunCommand(kHost + " convert --face headless --source " + source + " --work " + work);
  EXPECT_EQ(again.exit_code, 0) << again.out;
}

TEST(CommandLineHost, RunLogRecordsStartMessagesAndResult) {
  test::TempDir tmp;
  const std::string work = tmp.path() + "work";
  const std::string source = tmp.path() + "src";
  test::MakeDir(source);
  gen::WriteSampleDataset(source);

  const Ran ok =
      RunCommand(kHost + " convert --face headless --source " + source + " --work " + work);
  ASSERT_EQ(ok.exit_code, 0) << ok.out;
  std::string log = test::ReadFile(work + "/qoru.log");
  EXPECT_NE(log.find("开始转换：源目录 " + source + "，工作目录 " + work + "/"), std::string::npos)
      << log;
  EXPECT_NE(log.find("状态：正在处理凭证表，请稍候……"), std::string::npos) << log;
  EXPECT_NE(log.find("结果：" + work + "/TemplateTemp/GBA.mdb"), std::string::npos) << log;

  // A failure that leaves the run: the error box's text and the result "0".
  std::filesystem::remove(source + "/JZPZ.txt");
  const Ran failed =
      RunCommand(kHost + " convert --face headless --source " + source + " --work " + work);
  EXPECT_EQ(failed.exit_code, 1);
  EXPECT_NE(failed.out.find("0\n"), std::string::npos) << failed.out;
  log = test::ReadFile(work + "/qoru.log");
  const std::size_t second_start = log.rfind("开始转换");
  ASSERT_NE(second_start, std::string::npos);
  const std::string second = log.substr(second_start);
  EXPECT_NE(second.find("错误框：找不到表文件“JZPZ.txt”"), std::string::npos) << second;
  EXPECT_NE(second.find("结果：0（找不到表文件“JZPZ.txt”"), std::string::npos) << second;
}

TEST(CommandLineHost, EngineErrorsReachTheLogWithTheirLevelAsAWord) {
  test::TempDir tmp;
  const std::string work = tmp.path() + "work";
  const std::string source = tmp.path() + "src";
  test::MakeDir(source);
  gen::WriteSampleDataset(source);
  // A description without the chart of accounts: the import has nothing to import for
  // it, and the chart query fails in the engine.
  std::string gssm = test::ReadFile(source + "/GSSM.txt");
  gssm.replace(gssm.find(Gbk("会计科目")), Gbk("会计科目").size(), Gbk("科目表"));
  test::WriteFile(source + "/GSSM.txt", gssm);
  const Ran ran =
      RunCommand(kHost + " convert --face headless --source " + source + " --work " + work);
  EXPECT_EQ(ran.exit_code, 1) << ran.out;
  EXPECT_NE(ran.out.find("错误：SQL不能执行"), std::string::npos) << ran.out;
  EXPECT_EQ(ran.out.find("[3]"), std::string::npos) << ran.out;
  const std::string log = test::ReadFile(work + "/qoru.log");
  EXPECT_NE(log.find("日志（错误）：SQL不能执行"), std::string::npos) << log;
  EXPECT_NE(log.find("结果：0"), std::string::npos) << log;
}

TEST(CommandLineHost, BytesThatAreNotGbkAreNotedWithTheirFile) {
  test::TempDir tmp;
  const std::string work = tmp.path() + "work";
  const std::string source = tmp.path() + "src";
  test::MakeDir(source);
  gen::WriteSampleDataset(source);
  std::string kjkm = test::ReadFile(source + "/KJKM.txt");
  kjkm.insert(kjkm.find('\t') + 1, "\xFF");
  test::WriteFile(source + "/KJKM.txt", kjkm);
  const Ran ran =
      RunCommand(kHost + " convert --face headless --source " + source + " --work " + work);
  EXPECT_EQ(ran.exit_code, 0) << ran.out;
  // The line of the source file: the staged text has its header line on top.
  EXPECT_NE(ran.out.find("KJKM.txt 中有 1 处字节不是有效的 GB 18030 字符（第一处在第 1 行）"),
            std::string::npos)
      << ran.out;
  EXPECT_NE(test::ReadFile(work + "/qoru.log").find("提示：源文件 KJKM.txt"), std::string::npos);
}

TEST(SharedLibrary, ExportsDoItAndTheStringFunctionsOnly) {
  const Ran ran = RunCommand("nm -D --defined-only " + kLibrary);
  ASSERT_EQ(ran.exit_code, 0) << ran.out;
  for (const char* name :
       {"DoIt", "SysAllocStringLen", "SysReAllocStringLen", "SysFreeString", "SysStringLen"})
    EXPECT_NE(ran.out.find(std::string(" T ") + name + "\n"), std::string::npos) << name;
  std::size_t text_symbols = 0;
  for (std::size_t p = 0; (p = ran.out.find(" T ", p)) != std::string::npos; ++p) ++text_symbols;
  EXPECT_EQ(text_symbols, 5u) << ran.out;
}

TEST(SharedLibrary, DoItThroughTheLoadedLibraryConvertsAndLogsToTheHost) {
  ::setenv("QORU_FACE", "headless", 1);
  void* lib = ::dlopen(kLibrary.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(lib, nullptr) << ::dlerror();
  using DoItFn = void (*)(char16_t**, std::uintptr_t, const char*, const char*, const char*);
  using FreeFn = void (*)(char16_t*);
  const auto do_it = reinterpret_cast<DoItFn>(::dlsym(lib, "DoIt"));
  const auto free_string = reinterpret_cast<FreeFn>(::dlsym(lib, "SysFreeString"));
  ASSERT_NE(do_it, nullptr);

  test::TempDir tmp;
  const std::string work = tmp.path() + "work/";
  test::MakeDir(work + "DataBase");
  test::MakeDir(work + "TemplateTemp");
  test::WriteFile(work + "DataBase/empty.mdb", "");
  test::MakeDir(tmp.path() + "src");
  gen::WriteSampleDataset(tmp.path() + "src");
  char16_t* result = nullptr;
  do_it(&result, 0, work.c_str(), (tmp.path() + "src").c_str(), nullptr);
  EXPECT_EQ(std::u16string(result), GbkToUtf16(work + "TemplateTemp/GBA.mdb"));
  free_string(result);

  // Without a template the final connect fails: one entry in this process's WriteLog.
  test::ClearLog();
  std::filesystem::remove(work + "TemplateTemp/GBA.mdb");
  std::filesystem::remove(work + "DataBase/empty.mdb");
  result = nullptr;
  do_it(&result, 0, work.c_str(), (tmp.path() + "src").c_str(), nullptr);
  EXPECT_EQ(std::u16string(result), u"0");
  free_string(result);
  EXPECT_EQ(test::LogEntries().size(), 1u);
  ::dlclose(lib);
  ::unsetenv("QORU_FACE");
}

}  // namespace
}  // namespace qoru
