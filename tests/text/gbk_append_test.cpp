// GBK to UTF-8 conversion appending into a buffer agrees, character for character, with
// the conversion to UTF-16, for every byte pair and every single byte.
#include <gtest/gtest.h>

#include "text/gbk_codec.h"

namespace qoru {
namespace {

TEST(GbkAppend, EveryCharacterConvertsAsToUtf16) {
  std::string out;
  for (unsigned lead = 0x80; lead <= 0xFF; ++lead) {
    for (unsigned trail = 0x00; trail <= 0xFF; ++trail) {
      const std::string pair = {static_cast<char>(lead), static_cast<char>(trail)};
      ConversionStats appended, direct;
      out = "x";
      AppendGbkAsUtf8(pair, out, &appended);
      const std::string expected = "x" + Utf16ToUtf8(GbkToUtf16(pair, &direct));
      ASSERT_EQ(out, expected) << std::hex << lead << " " << trail;
      ASSERT_EQ(appended.replaced, direct.replaced) << std::hex << lead << " " << trail;
    }
  }
}

}  // namespace
}  // namespace qoru
