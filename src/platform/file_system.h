// The file system services of the run: directory listing, existence tests, the copy
// that refuses to overwrite, and the check that keeps names taken from a data set
// inside the work area. Paths are GBK byte strings with "/" as the separator.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qoru {

// Names of the entries of a directory (files and directories alike, "." and ".."
// left out), in the order the system returns them; empty when it cannot be read.
std::vector<std::string> ListDirectory(const std::string& dir);

bool IsRegularFile(const std::string& path);
bool IsDirectory(const std::string& path);
bool PathExists(const std::string& path);

// Copies `source` to `target`, creating the target exclusively: an existing target is
// left untouched. Returns false when the copy did not take place.
bool CopyFileExclusive(const std::string& source, const std::string& target);

// Raises UnsafeNameError when `name`, a file name taken from a data set, is not a bare
// name: one that holds "/" or a NUL byte, or is empty, "." or "..". `origin` says
// where the name came from, for the message.
void CheckBareFileName(std::string_view name, std::string_view origin);

}  // namespace qoru
