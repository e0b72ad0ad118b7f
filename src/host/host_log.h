// The host's log. The host application exports
//   extern "C" void WriteLog(void* instance, int level, const char16_t* message);
// and the library looks it up in the running process each time it logs. Without
// it, the message goes to stderr as UTF-8 with its level.
#pragma once

#include <string_view>

#include "host/host_process.h"  // LibraryInstance

namespace qoru {

// Hands a UTF-8 display text to the host's WriteLog, converted to UTF-16.
void WriteHostLog(int level, std::string_view message);

}  // namespace qoru
