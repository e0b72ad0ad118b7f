// Source file staging: every "*.txt" file of the source directory is copied into
// WorkDir + "TemplateTemp/" by the text line rules (line ends become CR LF, the text
// ends at the first NUL byte), one file at a time and streamed, with the progress bar
// counting files. The source directory is never written to. Each copy is written
// under a temporary name beside its target and renamed onto it, so a symbolic link
// left in TemplateTemp is replaced, never written through.
#pragma once

#include <optional>
#include <string>

#include "text/source_encoding.h"

namespace qoru {

class StageHost;

// The comma text of the names in `source_dir` whose extension, ASCII letters
// lower-cased, is ".txt" (directories included); empty when there are none or the
// directory cannot be read.
std::string ListSourceFiles(const std::string& source_dir);

// Copies every listed file; false as soon as one cannot be read or written (the copies
// made before it stay). A missing source directory stages nothing and succeeds. The
// book set's encoding is `choice`, or detected from its GSSM.txt: a UTF-8 book set is
// staged re-encoded as GB 18030, and a file in the other encoding stops the staging.
// The first form takes the choice from the environment (kEncodingVariable).
bool StageSourceFiles(const std::string& source_dir, const std::string& work_dir, StageHost& host);
bool StageSourceFiles(const std::string& source_dir, const std::string& work_dir, StageHost& host,
                      std::optional<SourceEncoding> choice);

}  // namespace qoru
