#include "test_support/native_path.h"

namespace qoru::test {

std::filesystem::path FsPath(const std::string& path) {
  return path;
}

std::string NativePath(const std::filesystem::path& path) {
  return path.string();
}

std::string OneSeparator(std::string text) {
  return text;
}

}  // namespace qoru::test
