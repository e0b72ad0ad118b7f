// The encoding of a book set's text files. An export is GBK (read as GB 18030) by
// default; some exporters write UTF-8. The encoding is told by the format description:
// a UTF-8 byte-order mark, or text that is valid UTF-8 and holds at least one
// multi-byte sequence, is UTF-8; anything else is GBK. (GBK text that happens to be
// valid UTF-8 is rare, since GBK's Chinese characters are two bytes that UTF-8 seldom
// accepts in a row; such a file is taken for UTF-8 unless the choice is forced.)
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qoru {

enum class SourceEncoding { kGbk, kUtf8 };

// "GBK" or "UTF-8".
const char* EncodingName(SourceEncoding encoding);

// The choice of the user: "gbk", "utf-8" (or "utf8"), "auto" (ASCII case ignored).
// nullopt for auto, or for a word that names none (see IsEncodingChoice).
std::optional<SourceEncoding> ParseEncodingChoice(std::string_view word);
bool IsEncodingChoice(std::string_view word);

// The environment variable through which a host forces the choice on the library
// (values as ParseEncodingChoice takes them; unset or "auto": detected).
inline constexpr const char* kEncodingVariable = "QORU_SOURCE_ENCODING";

inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// Whether `bytes` starts with the UTF-8 byte-order mark.
bool HasUtf8ByteOrderMark(std::string_view bytes);

// Whether `bytes` is valid UTF-8 holding at least one multi-byte sequence. With
// `may_be_cut`, a sequence cut short at the very end (a sample of a longer file)
// does not count against it.
bool LooksLikeUtf8(std::string_view bytes, bool may_be_cut = false);

// The encoding of a text by the rule above.
SourceEncoding DetectEncoding(std::string_view bytes, bool may_be_cut = false);

}  // namespace qoru
