// The text line rules of every text file that the system reads as lines or writes
// as lines:
//   - lines end at CR LF, at a lone CR and at a lone LF; LF followed by CR is two
//     line ends with an empty line between them;
//   - the text ends at the first NUL byte;
//   - a line end at the very end does not make an empty last line; a last line
//     without a line end is still a line;
//   - writing puts CR LF after every line, the last one included;
//   - the bytes of a line are carried over unchanged (no code-page conversion).
//
// Files are streamed: a reader holds one buffer of input and the current line, a
// writer one buffer of output, whatever the size of the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "files/line_ends.h"
#include "text/string_list.h"

namespace qoru {

// Reads a file line by line. Opening or reading failures raise FileError.
class LineReader {
 public:
  explicit LineReader(const std::string& path, std::size_t buffer_size = 1 << 20);
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // Replaces `line` with the next line; false at the end of the text.
  bool Next(std::string& line);

  std::uint64_t bytes_read() const { return bytes_read_; }

 private:
  bool Fill();  // reads the next block; false at the end of the file

  std::string path_;
  int fd_ = -1;
  std::string buffer_;
  std::size_t pos_ = 0;   // next unread byte in buffer_
  std::size_t end_ = 0;   // bytes of buffer_ in use
  bool eof_ = false;      // the file (or the text, at a NUL byte) has ended
  bool skip_lf_ = false;  // the previous line ended with CR: a following LF belongs to it
  LineEnds ends_;         // in the block now in buffer_
  std::uint64_t bytes_read_ = 0;
};

// Writes lines, each followed by CR LF, to a file that it creates or truncates.
// Write failures raise FileError; Close() must be called to complete the file.
class LineWriter {
 public:
  explicit LineWriter(std::string path, std::size_t buffer_size = 1 << 20);
  ~LineWriter();
  LineWriter(const LineWriter&) = delete;
  LineWriter& operator=(const LineWriter&) = delete;

  void WriteLine(std::string_view line);
  // Raw bytes; the caller supplies its own line ends.
  void Write(std::string_view bytes);
  void Close();

 private:
  void Flush();

  std::string path_;
  int fd_ = -1;
  std::string buffer_;
  std::size_t capacity_;
};

// Copies a text file by the line rules without holding its lines: the copy equals the
// source with every line end turned into CR LF, a CR LF after a last line that had
// none, and the text cut at the first NUL byte. A target that is the source itself is
// rewritten in place (through a temporary file beside it). Returns the bytes written.
std::uint64_t CopyTextLines(const std::string& source, const std::string& target);

// The whole-list form, for small files such as the format description.
StringList LoadLines(const std::string& path);

}  // namespace qoru
