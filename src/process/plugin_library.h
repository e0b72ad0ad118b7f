// The plug-in as the command-line host loads it: $QORU_LIBRARY, else
// libqoru_ERP_GBtxt.so beside the host's executable (the build tree), else the
// installed library at its place relative to the executable (bin/../lib/<multiarch>),
// else the plain name through the dynamic loader (on Windows: %QORU_LIBRARY% when it
// is absolute, else the DLL beside the executable, never a bare name that the system
// would look for in the current folder); then its DoIt and OLE string functions.
#pragma once

#include <cstdint>
#include <string>

namespace qoru::process {

class PluginLibrary {
 public:
  PluginLibrary() = default;
  ~PluginLibrary();
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;

  // Loads the library; false with a Chinese reason when it cannot.
  bool Load(std::string* reason);

  // Calls DoIt with the work directory (ending in "/") and the source directory;
  // returns the result text.
  std::u16string DoIt(std::uintptr_t host_window, const std::string& work,
                      const std::string& source);

 private:
  using BSTR = char16_t*;
  void* handle_ = nullptr;
  void (*do_it_)(BSTR*, std::uintptr_t, const char*, const char*, const char*) = nullptr;
  void (*free_string_)(BSTR) = nullptr;
  unsigned int (*string_len_)(BSTR) = nullptr;
};

}  // namespace qoru::process
