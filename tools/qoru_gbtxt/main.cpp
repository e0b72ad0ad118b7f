// qoru-gbtxt: a command-line host for the plug-in. It prepares the work area, loads
// libqoru_ERP_GBtxt.so, calls DoIt with its own WriteLog (messages to stderr and to
// qoru.log in the work directory), prints the result text and exits 0 for a path,
// 1 for "0", 2 for wrong arguments.
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include <CLI/CLI.hpp>

#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/gbk_codec.h"

using BSTR = char16_t*;
using DoItFn = void (*)(BSTR*, std::uintptr_t, const char*, const char*, const char*);
using FreeFn = void (*)(BSTR);
using LenFn = unsigned int (*)(BSTR);

namespace {

std::string g_log_path;  // qoru.log in the work directory

std::string Timestamp() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
  return buf;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "qoru-gbtxt：%s\n", message.c_str());
  return 2;
}

bool MakeDirectories(const std::string& path) {
  std::string partial;
  for (std::size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '/') {
      if (!partial.empty() && ::mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
    if (i < path.size()) partial.push_back(path[i]);
  }
  return qoru::IsDirectory(path);
}

// Removes what an earlier conversion left in TemplateTemp (files only).
bool EmptyScratch(const std::string& dir, std::string* failed) {
  for (const std::string& name : qoru::ListDirectory(dir)) {
    const std::string path = dir + name;
    if (qoru::IsDirectory(path)) continue;
    if (::unlink(path.c_str()) != 0) {
      *failed = path;
      return false;
    }
  }
  return true;
}

std::string LibraryPath() {
  if (const char* env = std::getenv("QORU_LIBRARY")) return env;
  char exe[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n > 0) {
    std::string dir(exe, static_cast<std::size_t>(n));
    dir.resize(dir.rfind('/') + 1);
    if (qoru::IsRegularFile(dir + "libqoru_ERP_GBtxt.so")) return dir + "libqoru_ERP_GBtxt.so";
  }
  return "libqoru_ERP_GBtxt.so";
}

}  // namespace

// The host's log, found by the library in this process.
extern "C" __attribute__((visibility("default"))) void WriteLog(void* /*instance*/, int level,
                                                                const char16_t* message) {
  std::u16string_view text(message ? message : u"");
  const std::string utf8 = qoru::Utf16ToUtf8(text);
  std::fprintf(stderr, "日志[%d]：%s\n", level, utf8.c_str());
  if (g_log_path.empty()) return;
  if (FILE* f = std::fopen(g_log_path.c_str(), "a")) {
    std::fprintf(f, "%s [%d] %s\n", Timestamp().c_str(), level, utf8.c_str());
    std::fclose(f);
  }
}

int main(int argc, char** argv) {
  CLI::App app{
      "qoru-gbtxt：把账套文本数据（GBK 制表符分隔的文本文件和格式说明 GSSM.txt）"
      "转换为暂存数据库 GBA.mdb（SQLite 3 格式）。"};
  app.require_subcommand(1);
  CLI::App* convert = app.add_subcommand(
      "convert",
      "转换一个账套：暂存源文件，按 GSSM.txt 改写为逗号分隔文本，导入 TemplateTemp/GBA.mdb，"
      "补全会计科目，展开辅助核算并生成 aidInfo、aidVour、aidBal。成功时在标准输出打印数据库路径"
      "并以 0 退出，失败时打印 0 并以 1 退出。");
  std::string source;
  std::string work;
  std::string face;
  bool keep_work = false;
  convert->add_option("--source", source, "源目录：账套的 *.txt 文件和 GSSM.txt 所在的目录")
      ->required();
  convert
      ->add_option("--work", work,
                   "工作目录：缺少时创建，并准备 DataBase/empty.mdb（空模板）和 TemplateTemp/")
      ->required();
  convert
      ->add_option("--face", face,
                   "对话框的显示方式：terminal（标准错误上的状态行和进度条，Ctrl-C 请求关闭）或 "
                   "headless（不显示）；默认在终端上为 terminal，否则为 headless")
      ->check(CLI::IsMember({"headless", "terminal", "window"}));
  convert->add_flag("--keep-work", keep_work,
                    "不清空 TemplateTemp：在上次转换留下的文件上转换（已有的 GBA.mdb 不会被替换，"
                    "其中已有的表不会重新导入）。默认在调用前清空 TemplateTemp 中的文件，"
                    "以免两个账套混在一个数据库中");
  CLI11_PARSE(app, argc, argv);

  // Source: a readable directory.
  while (source.size() > 1 && source.back() == '/') source.pop_back();
  if (!qoru::PathExists(source)) return Fail("源目录不存在：" + source);
  if (!qoru::IsDirectory(source)) return Fail("源路径不是目录：" + source);
  if (DIR* d = ::opendir(source.c_str())) {
    ::closedir(d);
  } else {
    return Fail("无法读取源目录：" + source + "（" + qoru::SystemErrorText(errno) + "）");
  }

  // Work area: the directory, its template and its scratch folder.
  if (work.empty()) return Fail("工作目录不能为空");
  if (work.back() != '/') work.push_back('/');
  if (qoru::PathExists(work) && !qoru::IsDirectory(work)) return Fail("工作路径不是目录：" + work);
  if (!MakeDirectories(work + "DataBase") || !MakeDirectories(work + "TemplateTemp"))
    return Fail("无法创建工作目录：" + work + "（" + qoru::SystemErrorText(errno) + "）");
  const std::string template_path = work + "DataBase/empty.mdb";
  if (!qoru::PathExists(template_path)) {
    const int fd = ::open(template_path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd < 0) return Fail("无法创建空模板：" + template_path);
    ::close(fd);
  }
  if (!keep_work) {
    std::string failed;
    if (!EmptyScratch(work + "TemplateTemp/", &failed))
      return Fail("无法清空 TemplateTemp：" + failed + "（" + qoru::SystemErrorText(errno) + "）");
  }
  g_log_path = work + "qoru.log";

  if (face.empty()) face = ::isatty(STDERR_FILENO) ? "terminal" : "headless";
  ::setenv("QORU_FACE", face.c_str(), 1);

  const std::string library = LibraryPath();
  void* handle = ::dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) return Fail(std::string("无法加载插件库：") + ::dlerror());
  const auto do_it = reinterpret_cast<DoItFn>(::dlsym(handle, "DoIt"));
  const auto free_string = reinterpret_cast<FreeFn>(::dlsym(handle, "SysFreeString"));
  const auto string_len = reinterpret_cast<LenFn>(::dlsym(handle, "SysStringLen"));
  if (do_it == nullptr || free_string == nullptr || string_len == nullptr)
    return Fail("插件库 " + library + " 没有导出 DoIt 和 OLE 字符串函数");

  BSTR result = nullptr;
  do_it(&result, 0, work.c_str(), source.c_str(), nullptr);
  const std::u16string text(result, string_len(result));
  free_string(result);

  if (text == u"0") {
    std::printf("0\n");
    std::fprintf(stderr, "转换未成功。\n");
    return 1;
  }
  // Print the path with the bytes the user gave when it is the expected one.
  const std::string expected = work + "TemplateTemp/GBA.mdb";
  if (qoru::GbkToUtf16(expected) == text) {
    std::printf("%s\n", expected.c_str());
  } else {
    std::printf("%s\n", qoru::Utf16ToUtf8(text).c_str());
  }
  return 0;
}
