// Source file staging: every "*.txt" file of the source directory is copied into
// WorkDir + "TemplateTemp/" by the text line rules (line ends become CR LF, a text
// holding a NUL byte refused), one file at a time and streamed, with the progress bar
// counting files. The source directory is never written to. Each copy is written
// under a temporary name beside its target and renamed onto it, so a symbolic link
// left in TemplateTemp is replaced, never written through.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "files/text_lines.h"
#include "staging/format_description.h"
#include "text/source_encoding.h"

namespace qoru {

class StageHost;

// The comma text of the names in `source_dir` whose extension, ASCII letters
// lower-cased, is ".txt" (directories included); empty when there are none or the
// directory cannot be read.
std::string ListSourceFiles(const std::string& source_dir);

// Why the source directory may not be staged into the work area `work_dir` (ending
// with "/"), in the user's words; empty when it may. Staging writes TemplateTemp and the
// command line empties it first, so a source that is the work area itself, its
// TemplateTemp or a folder inside TemplateTemp would lose its files. Folders are
// compared as files, not as texts.
std::string SourceInWorkAreaProblem(const std::string& source_dir, const std::string& work_dir);

// Where staging met a NUL byte in a source file, by the file's name with its ASCII
// letters lower-cased: the staged copy ends before it, as the line rules once had every
// text end. A file that the run goes on to read is then refused (RefuseCutTexts); any
// other file of the folder (a note saved as UTF-16, say) is no concern of the run.
using StagedNulBytes = std::map<std::string, NulByte>;

// Copies every listed file; false as soon as one cannot be read or written (the copies
// made before it stay). A name that would leave TemplateTemp raises UnsafeNameError (a
// BookSetRefusal) instead, leaving the run. The NUL bytes met go to `nuls` when it is
// given. A missing source directory stages nothing and succeeds. The
// book set's encoding is `choice`, or detected from its GSSM.txt: a UTF-8 book set is
// staged re-encoded as GB 18030, and a file in the other encoding stops the staging.
// The first form takes the choice from the environment (kEncodingVariable).
bool StageSourceFiles(const std::string& source_dir, const std::string& work_dir, StageHost& host,
                      StagedNulBytes* nuls = nullptr);
bool StageSourceFiles(const std::string& source_dir, const std::string& work_dir, StageHost& host,
                      std::optional<SourceEncoding> choice, StagedNulBytes* nuls = nullptr);

// The files that the run reads whose staged copy a NUL byte cut short, with where the
// NUL stood: GSSM.txt, then each table file of `description` in order.
std::vector<std::pair<std::string, NulByte>> CutTexts(const StagedNulBytes& nuls,
                                                      const FormatDescription& description);

// Raises BookSetRefusal for the first of CutTexts, naming the source file, the line and
// the byte's offset.
void RefuseCutTexts(const StagedNulBytes& nuls, const FormatDescription& description,
                    const std::string& source_dir);

}  // namespace qoru
