// The library's exported entry point. Everything else of the library is hidden; the
// OLE string functions are exported from host/ole_string.cpp.
#include "qoru_ERP_GBtxt.h"

#include "plugin/do_it.h"

extern "C" __attribute__((visibility("default"))) void DoIt(BSTR* result, std::uintptr_t hostWindow,
                                                            const char* workDir,
                                                            const char* sourceDir,
                                                            const char* spare) {
  try {
    qoru::DoItImpl(result, hostWindow, workDir, sourceDir, spare);
  } catch (...) {
  }
}
