// What the library finds of its host in the running process: functions that the host
// exports by name, its WriteLog, and the handle that identifies the library itself.
// host_process_posix.cpp looks in the whole process (dlsym); host_process_win.cpp in
// the host's library DataConvertDLL.dll when it is loaded, else in the executable.
#pragma once

#include <string>

namespace qoru {

// The handle that identifies this library to the host (its "module instance"; on
// Windows the library's HMODULE).
void* LibraryInstance();

// A C-linkage function that the host exports under `name`, or nullptr.
void* FindHostFunction(const char* name);

// Hands `message` to the host's WriteLog(instance, level, message) when the host has
// one (on Windows called with the system's convention, stdcall); false when it has none.
bool CallHostWriteLog(int level, const char16_t* message);

// A GBK path as the host is handed it, in UTF-16: on Windows with "\" for every "/"
// that the library's own path pieces ("TemplateTemp/GBA.mdb") brought in.
std::u16string HostPathText(const std::string& gbk_path);

}  // namespace qoru
