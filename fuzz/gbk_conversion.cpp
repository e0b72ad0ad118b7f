// Fuzz target: the GBK conversion, both directions.
//
// Input: two bytes giving split points, then the data. Checks, for the data as GBK:
//   - UTF-8 and UTF-16 decoding agree, and the output is well-formed;
//   - the streaming decoder, fed the data in three pieces, gives the same text and
//     the same count of replacements;
//   - text without replacements survives GBK -> UTF-8 -> GBK -> UTF-8 unchanged, and
//     the escaped form gives back the very bytes;
// and for the data as UTF-8:
//   - the UTF-8 and the UTF-16 way to GBK agree;
//   - well-formed text whose characters GBK holds comes back unchanged through GBK.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "platform/gbk_codec.h"

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

  GbkStreamDecoder decoder;
  std::string streamed;
  decoder.Decode(gbk.substr(0, cut1), streamed);
  decoder.Decode(gbk.substr(cut1, cut2 - cut1), streamed);
  decoder.Decode(gbk.substr(cut2), streamed);
  decoder.Finish(streamed);
  FUZZ_CHECK(streamed == utf8);
  FUZZ_CHECK(decoder.stats().replaced == stats8.replaced);

  if (stats8.replaced == 0) {
    ConversionStats back_stats;
    const std::string back = Utf8ToGbk(utf8, &back_stats);
    FUZZ_CHECK(back_stats.replaced == 0);
    FUZZ_CHECK(GbkToUtf8(back) == utf8);
    FUZZ_CHECK(Utf16ToGbk(utf16) == back);
  }
  FUZZ_CHECK(Utf8ToGbk(GbkToUtf8Escaped(gbk)) == gbk);
}

void CheckUtf8(std::string_view utf8) {
  ConversionStats stats;
  const std::string gbk = Utf8ToGbk(utf8, &stats);
  const std::u16string utf16 = Utf8ToUtf16(utf8);
  ConversionStats stats16;
  FUZZ_CHECK(Utf16ToGbk(utf16, &stats16) == gbk);
  FUZZ_CHECK(stats16.replaced == stats.replaced);
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
