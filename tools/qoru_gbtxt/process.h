// The entry of the command-line programs, per platform (process_posix.cpp,
// process_win.cpp): it hands HostMain (defined by each program: qoru-gbtxt,
// qoru-gendata) the arguments as GBK byte strings (on Windows read as UTF-16, "\"
// turned into "/", and the console set to show UTF-8, which is what the host writes).
// The environment and the local time are the process room's (process/environment.h).
// WriteLog and QoruTrace are exported with QORU_HOST_EXPORT and QORU_HOST_CALL, which
// the build defines (stdcall and dllexport on Windows).
#pragma once

namespace qoru::host {

int HostMain(int argc, char** argv);

}  // namespace qoru::host
