#include "test_support/temp_dir.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "files/os_file.h"
#include "test_support/native_path.h"

namespace qoru::test {

TempDir::TempDir() {
  std::string pattern = os::TemporaryFolder() + "/qoru-test-XXXXXX";
  if (os::MakeTemporaryDirectory(pattern) != 0)
    throw std::runtime_error("cannot make a directory " + pattern);
  path_ = pattern + "/";
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(FsPath(path_), ec);
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(FsPath(path), std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot write " + path);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(FsPath(path), std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void MakeDir(const std::string& path) {
  std::filesystem::create_directories(FsPath(path));
}

FileSnapshot Snapshot(const std::string& dir) {
  FileSnapshot files;
  for (const auto& e : std::filesystem::recursive_directory_iterator(FsPath(dir))) {
    std::error_code ec;
    const std::uintmax_t size = e.is_regular_file(ec) ? e.file_size(ec) : 0;
    const auto time = std::filesystem::last_write_time(e.path(), ec);
    files[NativePath(e.path())] = {
        size,
        std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch()).count()};
  }
  return files;
}

std::vector<std::string> SplitText(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + 1)
    parts.push_back(text.substr(start, at - start));
  parts.push_back(text.substr(start));
  return parts;
}

}  // namespace qoru::test
