// What a program asks of its process beside its files, per platform
// (environment_posix.cpp, environment_win.cpp): the environment that the library and a
// child process read (the library learns a host's choices only through it), and the
// local time.
#pragma once

#include <ctime>
#include <string>

namespace qoru::process {

void SetEnvironment(const char* name, const std::string& value);
void UnsetEnvironment(const char* name);

// The local time of `t` (localtime_r, localtime_s).
std::tm LocalTime(std::time_t t);

}  // namespace qoru::process
