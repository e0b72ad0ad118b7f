// The library's exported entry point. Everything else of the library is hidden; on
// Linux the OLE string functions are exported from host/ole_string_posix.cpp, on
// Windows they are the system's.
#include "qoru_ERP_GBtxt.h"

#include "plugin/do_it.h"

extern "C" __attribute__((visibility("default"))) QORU_DOIT_EXPORT void QORU_DOIT_CALL
DoIt(QORU_BSTR* result, std::uintptr_t hostWindow, const char* workDir, const char* sourceDir,
     const char* spare) {
  try {
    qoru::DoItImpl(reinterpret_cast<BSTR*>(result), hostWindow, workDir, sourceDir, spare);
  } catch (...) {
  }
}
