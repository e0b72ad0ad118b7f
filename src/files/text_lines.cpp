#include "files/text_lines.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fmt/format.h>

#include "errors/errors.h"
#include "files/os_file.h"
#include "files/path_text.h"
#include "text/gbk_codec.h"

namespace qoru {
namespace {

[[noreturn]] void ThrowFileError(const char* what, const std::string& path, int err) {
  throw FileError(fmt::format("{}文件“{}”：{}", what, PathText(path), SystemErrorText(err)), path);
}

int OpenForReading(const std::string& path) {
  const int fd = os::OpenRead(path);
  if (fd < 0) ThrowFileError("无法打开", path, errno);
  os::FileInfo info;
  if (os::StatOpen(fd, &info) && info.kind == os::Kind::kDirectory) {
    os::Close(fd);
    ThrowFileError("无法读取", path, EISDIR);
  }
  return fd;
}

int OpenForWriting(const std::string& path) {
  const int fd = os::OpenWrite(path, true);
  if (fd < 0) ThrowFileError("无法创建", path, errno);
  return fd;
}

// Reads up to `size` bytes; raises FileError on a read failure.
std::size_t ReadSome(int fd, char* data, std::size_t size, const std::string& path) {
  while (true) {
    const long n = os::Read(fd, data, size);
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno != EINTR) ThrowFileError("无法读取", path, errno);
  }
}

void WriteAll(int fd, const char* data, std::size_t size, const std::string& path) {
  while (size > 0) {
    const long n = os::Write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowFileError("无法写入", path, errno);
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
}

}  // namespace

std::string NulByteMessage(const std::string& path, NulByte at) {
  return fmt::format(
      "文件“{}”第 {} 行有 NUL 字节（0x00，在文件的第 {} 字节处，从 0 数起）：文本中不能有 NUL，"
      "读到它就会丢掉它后面的内容，已拒绝这个账套。请重新导出这个文件",
      PathText(path), at.line, at.offset);
}

void RefuseNulByte(const std::string& path, NulByte at) {
  throw BookSetRefusal(NulByteMessage(path, at));
}

std::optional<NulByte> FindNulByte(const std::string& path) {
  const int fd = OpenForReading(path);
  struct Closer {
    int fd;
    ~Closer() { os::Close(fd); }
  } closer{fd};
  std::string block(1 << 20, '\0');
  NulByte at;
  at.line = 1;
  bool after_cr = false;  // the last byte before this block was a CR
  while (const std::size_t n = ReadSome(fd, block.data(), block.size(), path)) {
    const char* data = block.data();
    const void* nul = std::memchr(data, '\0', n);
    const std::size_t stop =
        nul == nullptr ? n : static_cast<std::size_t>(static_cast<const char*>(nul) - data);
    // The line ends before the stop: CR LF is one, a lone CR or LF one each.
    for (std::size_t i = 0; i < stop; ++i) {
      if (data[i] == '\n') {
        if (!after_cr) ++at.line;
        after_cr = false;
      } else {
        after_cr = data[i] == '\r';
        if (after_cr) ++at.line;
      }
    }
    if (nul != nullptr) {
      at.offset += stop;
      return at;
    }
    at.offset += n;
  }
  return std::nullopt;
}

LineReader::LineReader(const std::string& path, std::size_t buffer_size)
    : path_(path), fd_(OpenForReading(path)), buffer_(buffer_size, '\0') {}

LineReader::~LineReader() {
  if (fd_ >= 0) os::Close(fd_);
}

bool LineReader::Fill() {
  if (eof_) return false;
  pos_ = 0;
  ends_.Reset();
  end_ = ReadSome(fd_, buffer_.data(), buffer_.size(), path_);
  bytes_read_ += end_;
  if (end_ == 0) {
    eof_ = true;
    return false;
  }
  // The text ends at the first NUL byte, and the file is refused there.
  if (const void* nul = std::memchr(buffer_.data(), '\0', end_)) {
    const std::size_t block = end_;
    end_ = static_cast<std::size_t>(static_cast<const char*>(nul) - buffer_.data());
    eof_ = true;
    nul_ = true;
    nul_offset_ = bytes_read_ - block + end_;
    return end_ > 0;
  }
  return true;
}

bool LineReader::FillOrRefuse() {
  if (Fill()) return true;
  if (!nul_) return false;
  const NulByte at{lines_ + 1, nul_offset_};
  if (cut_ == nullptr) RefuseNulByte(path_, at);
  // Placed when the reading first comes to it: the line cut short there is read after.
  if (!cut_->has_value()) *cut_ = at;
  return false;
}

bool LineReader::Next(std::string& line) {
  if (!ReadLine(line)) return false;
  ++lines_;
  return true;
}

bool LineReader::ReadLine(std::string& line) {
  line.clear();
  bool have_any = false;  // a line has begun, even an empty one
  while (true) {
    if (pos_ == end_ && !FillOrRefuse()) return have_any;
    if (skip_lf_) {
      skip_lf_ = false;
      if (buffer_[pos_] == '\n') {
        ++pos_;
        continue;
      }
    }
    const char* begin = buffer_.data() + pos_;
    const char* stop = buffer_.data() + end_;
    const char* p = ends_.Find(begin, stop);
    line.append(begin, static_cast<std::size_t>(p - begin));
    have_any = true;
    pos_ = static_cast<std::size_t>(p - buffer_.data());
    if (p < stop) {
      skip_lf_ = (*p == '\r');
      ++pos_;
      return true;
    }
    // The line goes on in the next block (or ends with the file).
    if (!FillOrRefuse()) return !line.empty();
  }
}

LineWriter::LineWriter(std::string path, std::size_t buffer_size)
    : path_(std::move(path)), fd_(OpenForWriting(path_)), capacity_(buffer_size) {
  buffer_.reserve(capacity_);
}

LineWriter::~LineWriter() {
  if (fd_ >= 0) os::Close(fd_);
}

void LineWriter::WriteLine(std::string_view line) {
  Write(line);
  Write("\r\n");
}

void LineWriter::Write(std::string_view bytes) {
  if (buffer_.size() + bytes.size() > capacity_) {
    Flush();
    if (bytes.size() >= capacity_) {
      WriteAll(fd_, bytes.data(), bytes.size(), path_);
      return;
    }
  }
  buffer_.append(bytes);
}

void LineWriter::Flush() {
  if (!buffer_.empty()) WriteAll(fd_, buffer_.data(), buffer_.size(), path_);
  buffer_.clear();
}

void LineWriter::Close() {
  if (fd_ < 0) return;
  Flush();
  const int fd = fd_;
  fd_ = -1;
  if (os::Close(fd) != 0) ThrowFileError("无法写入", path_, errno);
}

std::uint64_t CopyTextLines(const std::string& source, const std::string& target,
                            std::optional<NulByte>* cut) {
  constexpr std::size_t kBlock = 1 << 20;
  const int in = OpenForReading(source);
  struct Closer {
    int fd;
    ~Closer() {
      if (fd >= 0) os::Close(fd);
    }
  } closer{in};

  // A target that is the source itself must not be truncated before it is read: the
  // copy then goes to a temporary file beside it, which takes its place at the end.
  os::FileInfo in_info;
  os::StatOpen(in, &in_info);
  const bool in_place = os::SameFile(in, target);
  struct TempFile {
    std::string path;
    ~TempFile() {
      if (!path.empty()) os::Remove(path);
    }
  } temp;
  if (in_place) {
    std::string path = target + ".XXXXXX";
    const int fd = os::CreateTemporary(path);
    if (fd < 0) ThrowFileError("无法写入", target, errno);
    temp.path = path;
    os::SetMode(fd, in_info.mode);
    os::Close(fd);
  }

  LineWriter out(in_place ? temp.path : target, kBlock);
  std::string block(kBlock, '\0');
  bool after_cr = false;  // the last byte handled was a CR, whose LF is still to come
  bool mid_line = false;  // bytes of a line have been written without its line end
  std::uint64_t written = 0;
  std::uint64_t read = 0;       // bytes of the source read, up to a NUL byte
  std::uint64_t line_ends = 0;  // line ends met so far
  bool ended = false;
  const auto put = [&](std::string_view bytes) {
    out.Write(bytes);
    written += bytes.size();
  };
  while (!ended) {
    std::size_t n = ReadSome(in, block.data(), block.size(), source);
    if (n == 0) break;
    read += n;
    if (const void* nul = std::memchr(block.data(), '\0', n)) {
      const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(nul) - block.data());
      read -= n - at;
      n = at;
      ended = true;
    }
    const char* const data = block.data();
    LineEnds ends;
    std::size_t i = 0;
    if (after_cr && n > 0) {
      // A CR ended the last block: its line end is CR LF whatever follows.
      put("\n");
      if (data[0] == '\n') i = 1;
      after_cr = false;
    }
    // Lines that end in CR LF stay as they are: only a lone CR or LF is rewritten, so
    // the bytes between go out in long stretches.
    std::size_t run = i;  // start of the bytes not yet written
    while (i < n) {
      const char* end = ends.Find(data + i, data + n);
      if (end == data + n) {
        mid_line = true;
        break;
      }
      const auto at = static_cast<std::size_t>(end - data);
      mid_line = false;
      ++line_ends;
      if (*end == '\r' && at + 1 < n && data[at + 1] == '\n') {
        i = at + 2;  // CR LF
        continue;
      }
      if (*end == '\r' && at + 1 == n) {
        put(std::string_view(data + run, at + 1 - run));  // the CR; its LF comes next
        run = i = n;
        after_cr = true;
        continue;
      }
      put(std::string_view(data + run, at - run));  // a lone CR or LF
      put("\r\n");
      run = i = at + 1;
    }
    if (run < n) put(std::string_view(data + run, n - run));
  }
  if (ended && cut == nullptr) RefuseNulByte(source, {line_ends + 1, read});
  if (ended) *cut = NulByte{line_ends + 1, read};
  if (after_cr) put("\n");
  if (mid_line) put("\r\n");
  out.Close();
  if (in_place) {
    // Windows refuses to replace a file that is open.
    os::Close(closer.fd);
    closer.fd = -1;
    if (os::Rename(temp.path, target) != 0) ThrowFileError("无法写入", target, errno);
    temp.path.clear();
  }
  return written;
}

StringList LoadLines(const std::string& path) {
  StringList lines;
  LineReader reader(path);
  std::string line;
  while (reader.Next(line)) lines.Add(line);
  return lines;
}

}  // namespace qoru
