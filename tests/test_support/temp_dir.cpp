#include "test_support/temp_dir.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace qoru::test {

TempDir::TempDir() {
  std::string pattern = "/tmp/qoru-test-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern + "/";
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot write " + path);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void MakeDir(const std::string& path) {
  std::filesystem::create_directories(path);
}

FileSnapshot Snapshot(const std::string& dir) {
  FileSnapshot files;
  for (const auto& e : std::filesystem::recursive_directory_iterator(dir)) {
    struct stat st {};
    ::stat(e.path().c_str(), &st);
    files[e.path().string()] = {static_cast<std::uintmax_t>(st.st_size),
                                st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec};
  }
  return files;
}

}  // namespace qoru::test
