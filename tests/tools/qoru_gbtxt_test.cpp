// The command-line host and the shared library as a host sees them.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "gendata/dataset.h"
#include "platform/gbk_codec.h"
#include "test_support/log_capture.h"
#include "test_support/temp_dir.h"

namespace qoru {
namespace {

struct Ran {
  int exit_code;
  std::string out;  // stdout and stderr together
};

Ran RunCommand(const std::string& command) {
  Ran ran{-1, {}};
  FILE* p = ::popen((command + " 2>&1").c_str(), "r");
  if (p == nullptr) return ran;
  std::array<char, 4096> buf{};
  std::size_t n;
  while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) ran.out.append(buf.data(), n);
  const int status = ::pclose(p);
  ran.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return ran;
}

const std::string kHost = std::string(QORU_BINARY_DIR) + "/qoru-gbtxt";
const std::string kLibrary = std::string(QORU_BINARY_DIR) + "/libqoru_ERP_GBtxt.so";

TEST(CommandLineHost, HelpNamesTheCommandAndItsOptions) {
  const Ran ran = RunCommand(kHost + " convert --help");
  EXPECT_EQ(ran.exit_code, 0);
  for (const char* word : {"--source", "--work", "--face", "--keep-work"})
    EXPECT_NE(ran.out.find(word), std::string::npos) << word;
}

TEST(CommandLineHost, WrongArgumentsNameWhatIsWrong) {
  test::TempDir tmp;
  const Ran missing =
      RunCommand(kHost + " convert --source " + tmp.path() + "nowhere --work " + tmp.path() + "w");
  EXPECT_EQ(missing.exit_code, 2);
  EXPECT_NE(missing.out.find(tmp.path() + "nowhere"), std::string::npos) << missing.out;

  const Ran bad_face = RunCommand(kHost + " convert --source " + tmp.path() + " --work " +
                                  tmp.path() + "w --face desktop");
  EXPECT_NE(bad_face.exit_code, 0);
  const Ran no_work = RunCommand(kHost + " convert --source " + tmp.path());
  EXPECT_NE(no_work.exit_code, 0);
}

TEST(CommandLineHost, ConvertsTheSampleAndPrintsTheDatabasePath) {
  test::TempDir tmp;
  const std::string source = std::string(QORU_SOURCE_DIR) + "/examples/sample";
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

TEST(CommandLineHost, FailedConversionPrintsZeroAndExitsOne) {
  test::TempDir tmp;
  test::MakeDir(tmp.path() + "src");
  test::WriteFile(tmp.path() + "src/KJKM.txt", "1001\tx\r\n");  // no GSSM.txt
  const Ran ran = RunCommand(kHost + " convert --face headless --source " + tmp.path() +
                             "src --work " + tmp.path() + "work");
  EXPECT_EQ(ran.exit_code, 1);
  EXPECT_NE(ran.out.find("0\n"), std::string::npos) << ran.out;
  // The engine's complaint went to the host's log file as well.
  EXPECT_TRUE(std::filesystem::exists(tmp.path() + "work/qoru.log"));
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
