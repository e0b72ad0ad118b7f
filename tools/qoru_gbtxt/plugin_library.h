// The plug-in as the command-line host loads it: libqoru_ERP_GBtxt.so from beside
// the host's executable (or $QORU_LIBRARY), its DoIt and its OLE string functions.
#pragma once

#include <cstdint>
#include <string>

namespace qoru::host {

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

}  // namespace qoru::host
