// The decoder against the system's own converter (glibc's iconv), which the Windows
// build does not have: there the tables are compiled in from this very converter.
#include <gtest/gtest.h>
#include <iconv.h>

#include <string>
#include <string_view>

#include "text/gbk_codec.h"

namespace qoru {
namespace {

TEST(GbkCodecTest, EveryValidGbkCharacterDecodesAsCodePage936Has) {
  iconv_t cd = iconv_open("UTF-32LE", "CP936");
  ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
  int checked = 0;
  for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
    for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
      const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      char32_t expected = 0;
      char* in = const_cast<char*>(pair);
      std::size_t in_left = 2;
      char* out = reinterpret_cast<char*>(&expected);
      std::size_t out_left = sizeof expected;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      if (iconv(cd, &in, &in_left, &out, &out_left) == static_cast<std::size_t>(-1) ||
          out_left != 0)
        continue;
      ++checked;
      const std::u16string got = GbkToUtf16(std::string_view(pair, 2));
      if (got != std::u16string(1, static_cast<char16_t>(expected))) {
        ADD_FAILURE() << std::hex << lead << trail << " decodes differently";
        iconv_close(cd);
        return;
      }
    }
  }
  iconv_close(cd);
  EXPECT_GT(checked, 21000);
}

}  // namespace
}  // namespace qoru
