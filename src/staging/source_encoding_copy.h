// The encoding a book set is read in, and the staged copy of a UTF-8 export: the
// source text re-encoded as GB 18030, every character kept (four-byte ones included),
// so that everything after staging reads the copies as it reads a GBK export. A file
// whose encoding differs from the format description's stops the staging with a
// message that names it: read in the wrong encoding its text would arrive garbled.
#pragma once

#include <optional>
#include <string>

#include "files/text_lines.h"
#include "text/source_encoding.h"

namespace qoru {

// The choice that a host made through kEncodingVariable, or nullopt (auto).
std::optional<SourceEncoding> EncodingChoiceFromEnvironment();

// Why the book set in `source_dir` is read as it is: forced by `choice`, else
// detected from the head of its GSSM.txt (GBK when there is none).
struct BookSetEncoding {
  SourceEncoding encoding = SourceEncoding::kGbk;
  bool forced = false;
  bool byte_order_mark = false;  // GSSM.txt starts with one
  // "GBK" or "UTF-8", and why, in the words of the user's messages (UTF-8).
  std::string Describe() const;
};
BookSetEncoding DetectBookSetEncoding(const std::string& source_dir,
                                      std::optional<SourceEncoding> choice);

// Copies the UTF-8 text `source` to `target` by the text line rules, re-encoded as
// GB 18030; a byte-order mark at its start is dropped. Raises FileError naming the
// file and the line of the first bytes that are not UTF-8. `name` is the file's name
// for messages (GBK bytes). A NUL byte ends the copy, as CopyTextLines(..., cut) does.
void CopyUtf8TextAsGb18030(const std::string& source, const std::string& target,
                           const std::string& name, std::optional<NulByte>* cut);

// For a book set read as GBK whose encoding was detected: raises FileError when the
// head of `source` is UTF-8 (a byte-order mark, or valid UTF-8 with multi-byte
// sequences), naming the file.
void RequireNotUtf8(const std::string& source, const std::string& name);

}  // namespace qoru
