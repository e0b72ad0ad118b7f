// UTF-8 and UTF-16, one code point at a time: the one encoder and decoder of the
// library, for the codec and for measuring text on a terminal.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qoru {

void AppendUtf8(char32_t cp, std::string& out);
void AppendUtf16(char32_t cp, std::u16string& out);

// Decodes one UTF-8 sequence at text[i] (i < text.size()) and advances i past it.
// Malformed input (a stray or missing continuation byte, an overlong form, a surrogate,
// a code point beyond Unicode) gives U+FFFD with *malformed set.
char32_t DecodeUtf8(std::string_view text, std::size_t& i, bool* malformed);

// Whether `text` is valid UTF-8 throughout.
bool IsValidUtf8(std::string_view text);

// `text` as valid UTF-8: each malformed sequence becomes U+FFFD.
std::string ValidUtf8(std::string_view text);

}  // namespace qoru
