// Helpers shared by the fuzz targets: a check that aborts with its condition (so that
// libFuzzer and the corpus replay both report it as a finding), files in memory that
// the file-based readers can open by path, and a cursor that takes the parameters of
// a run (split points, buffer sizes) from the front of the input.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#define FUZZ_CHECK(condition)                                                            \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (0)

namespace qoru::fuzz {

// A file in memory (memfd) reachable through /proc/self/fd/N, so that code that opens
// files by path reads and writes it without touching a disk.
class MemFile {
 public:
  explicit MemFile(std::string_view bytes = {}) {
    fd_ = ::memfd_create("qoru-fuzz", MFD_CLOEXEC);
    FUZZ_CHECK(fd_ >= 0);
    for (std::size_t done = 0; done < bytes.size();) {
      const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
      FUZZ_CHECK(n > 0);
      done += static_cast<std::size_t>(n);
    }
    FUZZ_CHECK(::lseek(fd_, 0, SEEK_SET) == 0);  // readers of fd() start at the beginning
    path_ = "/proc/self/fd/" + std::to_string(fd_);
  }
  ~MemFile() { ::close(fd_); }
  MemFile(const MemFile&) = delete;
  MemFile& operator=(const MemFile&) = delete;

  const std::string& path() const { return path_; }
  int fd() const { return fd_; }

  std::string Contents() const {
    std::string out;
    char buf[4096];
    for (off_t at = 0;;) {
      const ssize_t n = ::pread(fd_, buf, sizeof buf, at);
      FUZZ_CHECK(n >= 0);
      if (n == 0) break;
      out.append(buf, static_cast<std::size_t>(n));
      at += n;
    }
    return out;
  }

 private:
  int fd_ = -1;
  std::string path_;
};

// The parts of `text` between the bytes `separator`, at most `most` (the last one then
// holds the rest, separators and all).
inline std::vector<std::string_view> Split(std::string_view text, char separator,
                                           std::size_t most = SIZE_MAX) {
  std::vector<std::string_view> parts;
  while (parts.size() + 1 < most) {
    const std::size_t at = text.find(separator);
    if (at == std::string_view::npos) break;
    parts.push_back(text.substr(0, at));
    text.remove_prefix(at + 1);
  }
  parts.push_back(text);
  return parts;
}

// Reads small parameters from the front of the input; the rest is the data.
class Cursor {
 public:
  Cursor(const std::uint8_t* data, std::size_t size)
      : rest_(reinterpret_cast<const char*>(data), size) {}

  // A byte of the input (0 when it is used up).
  std::uint8_t Byte() {
    if (rest_.empty()) return 0;
    const auto b = static_cast<std::uint8_t>(rest_.front());
    rest_.remove_prefix(1);
    return b;
  }
  std::string_view Rest() const { return rest_; }

 private:
  std::string_view rest_;
};

}  // namespace qoru::fuzz
