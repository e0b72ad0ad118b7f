// The text line rules of every text file that the system reads as lines or writes
// as lines:
//   - lines end at CR LF, at a lone CR and at a lone LF; LF followed by CR is two
//     line ends with an empty line between them;
//   - a NUL byte is no text: reading a file that holds one stops at it with a
//     BookSetRefusal naming the file, the line and the byte's offset (a text cut at the
//     NUL would lose the rest of the file unseen). Staging alone still ends a text at
//     its NUL, noting where it stood, and the run then refuses the book set when the
//     file is one it reads (source_staging.h);
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
#include <optional>
#include <string>
#include <string_view>

#include "files/line_ends.h"
#include "text/string_list.h"

namespace qoru {

// Where a NUL byte stands in a text file.
struct NulByte {
  std::uint64_t line = 0;    // from 1
  std::uint64_t offset = 0;  // of the byte in the file, from 0
};

// Why the text file at `path` is refused for the NUL byte `at`, in the user's words;
// RefuseNulByte raises BookSetRefusal with it.
std::string NulByteMessage(const std::string& path, NulByte at);
[[noreturn]] void RefuseNulByte(const std::string& path, NulByte at);

// The first NUL byte of the file at `path`, or nullopt; FileError when it cannot be read.
std::optional<NulByte> FindNulByte(const std::string& path);

// Reads a file line by line. Opening or reading failures raise FileError; a NUL byte
// raises BookSetRefusal when the reading comes to it (the lines before it are read).
class LineReader {
 public:
  explicit LineReader(const std::string& path, std::size_t buffer_size = 1 << 20);
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // Replaces `line` with the next line; false at the end of the text.
  bool Next(std::string& line);

  // For staging's copies: the text ends at a NUL byte without a refusal, and where the
  // NUL stood is set in `*cut` (empty until then) when the reading comes to it.
  void CutAtNulByte(std::optional<NulByte>* cut) { cut_ = cut; }

  std::uint64_t bytes_read() const { return bytes_read_; }

 private:
  bool Fill();          // reads the next block; false at the end of the file
  bool FillOrRefuse();  // Fill, refusing the file at the end of its text when a NUL ended it
  bool ReadLine(std::string& line);

  std::string path_;
  int fd_ = -1;
  std::string buffer_;
  std::size_t pos_ = 0;  // next unread byte in buffer_
  std::size_t end_ = 0;  // bytes of buffer_ in use
  bool eof_ = false;     // the file (or the text, at a NUL byte) has ended
  bool nul_ = false;     // a NUL byte ended the text, at nul_offset_
  std::uint64_t nul_offset_ = 0;
  std::uint64_t lines_ = 0;                // lines read so far
  std::optional<NulByte>* cut_ = nullptr;  // see CutAtNulByte
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
// source with every line end turned into CR LF and a CR LF after a last line that had
// none; a source that holds a NUL byte is refused (BookSetRefusal), the target left
// incomplete, unless `cut` is given: the copy then ends before the NUL, and where it
// stood is set in `*cut`. A target that is the source itself is rewritten in place
// (through a temporary file beside it). Returns the bytes written.
std::uint64_t CopyTextLines(const std::string& source, const std::string& target,
                            std::optional<NulByte>* cut = nullptr);

// The whole-list form, for small files such as the format description.
StringList LoadLines(const std::string& path);

}  // namespace qoru
