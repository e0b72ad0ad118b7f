// What the command-line programs need of their process, per platform (process_posix.cpp,
// process_win.cpp): the entry point, which hands HostMain (defined by each program:
// qoru-gbtxt, qoru-gendata) the arguments as GBK byte
// strings (on Windows read as UTF-16, "\" turned into "/", and the console set to
// show UTF-8, which is what the host writes), and the environment the library reads.
// WriteLog and QoruTrace are exported with QORU_HOST_EXPORT and QORU_HOST_CALL, which
// the build defines (stdcall and dllexport on Windows).
#pragma once

#include <ctime>
#include <string>

namespace qoru::host {

int HostMain(int argc, char** argv);

// An argument or a path shows as text through PathText (files/path_text.h). The reverse:
// the path of a name given as UTF-8 text (a workpaper named after a book set).
std::string PathFromText(const std::string& text);

void SetEnvironment(const char* name, const std::string& value);
void UnsetEnvironment(const char* name);

// The local time of `t` (localtime_r, localtime_s).
std::tm LocalTime(std::time_t t);

}  // namespace qoru::host
