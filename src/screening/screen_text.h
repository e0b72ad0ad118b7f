// How screening reads the free texts of a posting (summary, preparer, approver):
// trimmed of ASCII blanks, control characters and the ideographic space U+3000 at both
// ends, and searched with ASCII letters compared without case.
#pragma once

#include <string>
#include <string_view>

namespace qoru::screening {

std::string_view TrimText(std::string_view text);

// Whether `text` holds `word`, ASCII letters compared without case.
bool ContainsIgnoringAsciiCase(std::string_view text, std::string_view word);

// Whether `text` is valid UTF-8.
bool IsValidUtf8(std::string_view text);

}  // namespace qoru::screening
