// Fuzz target: the conversion of the legacy text (GB 18030, GBK's superset), both
// directions, through the functions the library decodes and encodes with.
//
// Input: two bytes giving split points, then the data. Checks, for the data as legacy
// text:
//   - UTF-8 and UTF-16 decoding agree, and the output is well-formed;
//   - decoding appended to text already there (the import's way, field after field)
//     gives the same text and the same count of replacements;
//   - cut into pieces at the character boundaries that the text scans step by
//     (GbkCharLength), the pieces decode to the same text; a split point inside a
//     character moves to its start;
//   - text without replacements survives legacy -> UTF-8 -> legacy -> UTF-8 unchanged,
//     and the escaped form gives back the very bytes;
// and for the data as UTF-8:
//   - the UTF-8 and the UTF-16 way to the legacy text agree on well-formed text;
//   - well-formed text is never replaced and comes back unchanged (but for the
//     code points that stand for raw bytes).
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "text/gbk_codec.h"

using namespace qoru;

namespace {

// True when UTF-8 decoding gives nothing to replace and encoding gives the same bytes.
bool WellFormedUtf8(std::string_view utf8) {
  return Utf16ToUtf8(Utf8ToUtf16(utf8)) == utf8 &&
         Utf8ToUtf16(utf8).find(u'\uFFFD') == std::u16string::npos;
}

// The private-use code points that carry raw bytes in the escaped form.
bool HasEscapeCodePoints(std::u16string_view text) {
  for (char16_t c : text)
    if (c >= 0xF780 && c <= 0xF7FF) return true;
  return false;
}

void CheckGbk(std::string_view gbk, std::size_t cut1, std::size_t cut2) {
  ConversionStats stats8;
  ConversionStats stats16;
  const std::string utf8 = GbkToUtf8(gbk, &stats8);
  const std::u16string utf16 = GbkToUtf16(gbk, &stats16);
  FUZZ_CHECK(stats8.replaced == stats16.replaced);
  FUZZ_CHECK(Utf16ToUtf8(utf16) == utf8);
  FUZZ_CHECK(Utf8ToUtf16(utf8) == utf16);

  std::string appended = "x";
  ConversionStats append_stats;
  AppendGbkAsUtf8(gbk, appended, &append_stats);
  FUZZ_CHECK(appended == "x" + utf8);
  FUZZ_CHECK(append_stats.replaced == stats8.replaced);

  // The character boundaries, and the split points moved back onto them.
  std::size_t at1 = 0;
  std::size_t at2 = 0;
  for (std::size_t i = 0; i < gbk.size();) {
    const std::size_t length = GbkCharLength(gbk, i);
    FUZZ_CHECK(length == 1 || length == 2 || length == 4);
    FUZZ_CHECK(i + length <= gbk.size());
    if (length > 1) FUZZ_CHECK(IsGbkLead(static_cast<unsigned char>(gbk[i])));
    if (i <= cut1) at1 = i;
    if (i <= cut2) at2 = i;
    i += length;
  }
  if (cut1 == gbk.size()) at1 = cut1;
  if (cut2 == gbk.size()) at2 = cut2;
  ConversionStats pieces_stats;
  std::string pieces;
  AppendGbkAsUtf8(gbk.substr(0, at1), pieces, &pieces_stats);
  AppendGbkAsUtf8(gbk.substr(at1, at2 - at1), pieces, &pieces_stats);
  AppendGbkAsUtf8(gbk.substr(at2), pieces, &pieces_stats);
  FUZZ_CHECK(pieces == utf8);
  FUZZ_CHECK(pieces_stats.replaced == stats8.replaced);

  if (stats8.replaced == 0) {
    ConversionStats back_stats;
    const std::string back = Utf8ToGbk(utf8, &back_stats);
    FUZZ_CHECK(back_stats.replaced == 0);
    FUZZ_CHECK(GbkToUtf8(back) == utf8);
    FUZZ_CHECK(Utf8ToGbk(Utf16ToUtf8(utf16)) == back);
  }
  FUZZ_CHECK(Utf8ToGbk(GbkToUtf8Escaped(gbk)) == gbk);
}

void CheckUtf8(std::string_view utf8) {
  ConversionStats stats;
  const std::string gbk = Utf8ToGbk(utf8, &stats);
  const std::u16string utf16 = Utf8ToUtf16(utf8);
  // Malformed UTF-8 becomes "?" on the way to the legacy text, but U+FFFD (a character
  // with four bytes of its own) on the way to UTF-16: the two ways agree on the rest.
  if (WellFormedUtf8(utf8)) {
    ConversionStats stats16;
    FUZZ_CHECK(Utf8ToGbk(Utf16ToUtf8(utf16), &stats16) == gbk);
    FUZZ_CHECK(stats16.replaced == 0);
    FUZZ_CHECK(stats.replaced == 0);
  }
  if (stats.replaced == 0 && WellFormedUtf8(utf8) && !HasEscapeCodePoints(utf16)) {
    ConversionStats again;
    FUZZ_CHECK(GbkToUtf8(gbk, &again) == utf8);
    FUZZ_CHECK(again.replaced == 0);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Cursor cursor(data, size);
  std::size_t cut1 = cursor.Byte();
  std::size_t cut2 = cursor.Byte();
  const std::string_view text = cursor.Rest();
  cut1 = text.empty() ? 0 : cut1 % (text.size() + 1);
  cut2 = text.empty() ? 0 : cut2 % (text.size() + 1);
  if (cut2 < cut1) std::swap(cut1, cut2);
  CheckGbk(text, cut1, cut2);
  CheckUtf8(text);
  return 0;
}
