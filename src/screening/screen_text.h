// How screening reads the free texts of a posting (summary, preparer, approver) and the
// keywords: trimmed as the checks trim (checks::TrimBlanks), searched with ASCII letters
// compared without case.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qoru::screening {

// Whether `text` holds `word`, ASCII letters compared without case.
bool ContainsIgnoringAsciiCase(std::string_view text, std::string_view word);

// Whether `text` is valid UTF-8.
bool IsValidUtf8(std::string_view text);

// How the text of a keyword file reads.
enum class KeywordText { kWords, kNotUtf8, kNoWords };

// The keywords of a keyword file's text: UTF-8 (a byte-order mark at the start is
// skipped), one keyword a line (LF or CR LF), each trimmed, blank lines skipped. `words`
// is filled only for kWords.
KeywordText ReadKeywords(std::string_view text, std::vector<std::string>* words);

}  // namespace qoru::screening
