#include "process/plugin_library.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <cstdlib>

#include "files/file_system.h"

namespace qoru::process {
namespace {

constexpr const char* kLibraryName = "libqoru_ERP_GBtxt.so";

std::string LibraryPath() {
  if (const char* env = std::getenv("QORU_LIBRARY")) return env;
  char exe[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n > 0) {
    std::string dir(exe, static_cast<std::size_t>(n));
    dir.resize(dir.rfind('/') + 1);
    if (IsRegularFile(dir + kLibraryName)) return dir + kLibraryName;
#ifdef QORU_INSTALLED_LIBRARY
    // An installed host: the library's place relative to bin/ (or an absolute one).
    const std::string installed = QORU_INSTALLED_LIBRARY;
    const std::string path = installed.front() == '/' ? installed : dir + installed;
    if (IsRegularFile(path)) return path;
#endif
  }
  return kLibraryName;
}

}  // namespace

PluginLibrary::~PluginLibrary() {
  if (handle_ != nullptr) ::dlclose(handle_);
}

bool PluginLibrary::Load(std::string* reason) {
  const std::string path = LibraryPath();
  handle_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    *reason = std::string("无法加载插件库：") + ::dlerror();
    return false;
  }
  do_it_ = reinterpret_cast<decltype(do_it_)>(::dlsym(handle_, "DoIt"));
  free_string_ = reinterpret_cast<decltype(free_string_)>(::dlsym(handle_, "SysFreeString"));
  string_len_ = reinterpret_cast<decltype(string_len_)>(::dlsym(handle_, "SysStringLen"));
  if (do_it_ == nullptr || free_string_ == nullptr || string_len_ == nullptr) {
    *reason = "插件库 " + path + " 没有导出 DoIt 和 OLE 字符串函数";
    return false;
  }
  return true;
}

std::u16string PluginLibrary::DoIt(std::uintptr_t host_window, const std::string& work,
                                   const std::string& source) {
  BSTR result = nullptr;
  do_it_(&result, host_window, work.c_str(), source.c_str(), nullptr);
  std::u16string text(result, string_len_(result));
  free_string_(result);
  return text;
}

}  // namespace qoru::process
