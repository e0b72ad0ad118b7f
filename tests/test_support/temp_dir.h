// A directory under the temporary folder (/tmp) for one test, removed with everything in it at the
// end, and whole-file helpers for test data.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace qoru::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The directory's path, ending with "/".
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + name; }

 private:
  std::string path_;
};

void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);
void MakeDir(const std::string& path);
// `text` cut at each `separator`: n separators give n + 1 parts.
std::vector<std::string> SplitText(const std::string& text, char separator);

// Every file and directory below `dir` with its size and modification time (ns), to
// tell whether anything there was touched.
using FileSnapshot = std::map<std::string, std::pair<std::uintmax_t, std::int64_t>>;
FileSnapshot Snapshot(const std::string& dir);

}  // namespace qoru::test
