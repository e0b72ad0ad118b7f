#include "platform/gbk_codec.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace qoru {
namespace {

TEST(GbkCodecTest, CommonTextRoundTripsThroughUtf8AndUtf16) {
  const char* const texts[] = {
      "",
      "KJKM.txt",
      "科目编号\t科目名称\r\n",
      "会计科目，记账凭证。（辅助核算项档案）",
      "部门 / 项目 \"引号\" '单引号' 1,000.00",
      "€",  // the one high single byte, 0x80
  };
  for (const char* utf8 : texts) {
    SCOPED_TRACE(utf8);
    ConversionStats to_gbk;
    const std::string gbk = Utf8ToGbk(utf8, &to_gbk);
    EXPECT_EQ(to_gbk.replaced, 0u);
    ConversionStats back;
    EXPECT_EQ(GbkToUtf8(gbk, &back), utf8);
    EXPECT_EQ(back.replaced, 0u);
    EXPECT_EQ(Utf16ToGbk(GbkToUtf16(gbk)), gbk);
    EXPECT_EQ(Utf16ToUtf8(GbkToUtf16(gbk)), utf8);
  }
}

TEST(GbkCodecTest, EncodesTheCodePageBytes) {
  EXPECT_EQ(Gbk("中文"), "\xD6\xD0\xCE\xC4");
  EXPECT_EQ(Gbk("€"), "\x80");
  EXPECT_EQ(GbkToUtf16("\xB0\xA1"), u"啊");
}

TEST(GbkCodecTest, UserDefinedAreasMapToPrivateUseAndBack) {
  struct Area {
    unsigned first_lead, last_lead, first_trail, last_trail;
    char16_t first_code_point;
    char16_t last_code_point;
  };
  const Area areas[] = {
      {0xAA, 0xAF, 0xA1, 0xFE, 0xE000, 0xE233},
      {0xF8, 0xFE, 0xA1, 0xFE, 0xE234, 0xE4C5},
      {0xA1, 0xA7, 0x40, 0xA0, 0xE4C6, 0xE765},  // trail 0x7F is stepped over
  };
  for (const auto& a : areas) {
    char16_t expected = a.first_code_point;
    for (unsigned lead = a.first_lead; lead <= a.last_lead; ++lead) {
      for (unsigned trail = a.first_trail; trail <= a.last_trail; ++trail) {
        if (trail == 0x7F) continue;
        const std::string gbk = {static_cast<char>(lead), static_cast<char>(trail)};
        ConversionStats stats;
        const std::u16string utf16 = GbkToUtf16(gbk, &stats);
        const bool ok = utf16 == std::u16string(1, expected) && stats.replaced == 0 &&
                        Utf16ToGbk(utf16) == gbk && Utf8ToGbk(GbkToUtf8(gbk)) == gbk;
        if (!ok) {
          ADD_FAILURE() << std::hex << lead << trail << " does not map to " << int(expected);
          return;
        }
        ++expected;
      }
    }
    EXPECT_EQ(expected - 1, a.last_code_point);
  }
}

TEST(GbkCodecTest, InvalidBytesBecomeReplacementsCountedAndTheRestSurvives) {
  struct Case {
    std::string_view gbk;
    std::string_view utf8;
    std::size_t replaced;
  };
  const Case cases[] = {
      {"a\xFF"
       "b",
       "a\uFFFD"
       "b",
       1},
      {"x\x81", "x\uFFFD", 1},  // lead byte at the end
      {"\x81\x30z",
       "\uFFFD"
       "0z",
       1},  // lead byte before a non-trail
      {"\x81\x7F"
       "a",
       "\uFFFD\x7F"
       "a",
       1},                                  // 0x7F is never a trail byte
      {"\xA2\xAB\xD6\xD0", "\uFFFD中", 1},  // unmapped pair, then a character
      {"\xFF\xFF\xD6\xD0\xFF", "\uFFFD\uFFFD中\uFFFD", 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.utf8);
    ConversionStats stats;
    EXPECT_EQ(GbkToUtf8(c.gbk, &stats), c.utf8);
    EXPECT_EQ(stats.replaced, c.replaced);
    ConversionStats stats16;
    EXPECT_EQ(Utf16ToUtf8(GbkToUtf16(c.gbk, &stats16)), c.utf8);
    EXPECT_EQ(stats16.replaced, c.replaced);
  }
}

TEST(GbkCodecTest, TextThatGbkCannotHoldBecomesQuestionMarksCounted) {
  struct Case {
    std::string_view utf8;
    std::string_view gbk;
    std::size_t replaced;
  };
  const Case cases[] = {
      {"a😀b", "a?b", 1},           // outside the basic plane
      {"x\xE4\xB8y", "x?y", 1},    // cut-off sequence before ASCII
      {"\xFFok", "?ok", 1},        // not a UTF-8 byte at all
      {"中\xE4", "\xD6\xD0?", 1},  // cut off at the end
      {"a\xC0\x80"
       "b",
       "a?b", 1},                    // overlong form of NUL
      {"\xED\xA0\x80", "?", 1},      // an encoded surrogate
      {"\xF4\x90\x80\x80", "?", 1},  // beyond U+10FFFF
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.gbk);
    ConversionStats stats;
    EXPECT_EQ(Utf8ToGbk(c.utf8, &stats), c.gbk);
    EXPECT_EQ(stats.replaced, c.replaced);
  }
}

TEST(GbkCodecTest, Utf16SurrogatePairsRoundTripAndLoneSurrogatesAreReplaced) {
  EXPECT_EQ(Utf8ToUtf16("a😀"), u"a😀");
  EXPECT_EQ(Utf16ToUtf8(u"a😀"), "a😀");
  EXPECT_EQ(Utf16ToUtf8(std::u16string{u'a', char16_t(0xD800), u'b'}),
            "a\uFFFD"
            "b");
}

TEST(GbkCodecTest, StreamDecoderJoinsACharacterSplitBetweenPieces) {
  // 0xB0 before "0" is a lead byte without its trail.
  const std::string gbk = Gbk("科目A编号") +
                          "\xFF\xB0"
                          "0" +
                          Gbk("，x");
  const std::string whole = GbkToUtf8(gbk);
  for (std::size_t cut = 0; cut <= gbk.size(); ++cut) {
    SCOPED_TRACE(cut);
    GbkStreamDecoder decoder;
    std::string out;
    decoder.Decode(std::string_view(gbk).substr(0, cut), out);
    decoder.Decode(std::string_view(gbk).substr(cut), out);
    decoder.Finish(out);
    EXPECT_EQ(out, whole);
    EXPECT_EQ(decoder.stats().replaced, 2u);
  }
}

TEST(GbkCodecTest, StreamDecoderTakesOneByteAtATime) {
  const std::string gbk = Gbk("凭证\t摘要");
  GbkStreamDecoder decoder;
  std::string out;
  for (char c : gbk) decoder.Decode(std::string_view(&c, 1), out);
  decoder.Finish(out);
  EXPECT_EQ(out, "凭证\t摘要");
  EXPECT_EQ(decoder.stats().replaced, 0u);
}

TEST(GbkCodecTest, StreamDecoderFlushesALeadByteLeftAtTheEnd) {
  GbkStreamDecoder decoder;
  std::string out;
  decoder.Decode("ab\xB0", out);
  EXPECT_EQ(out, "ab");
  decoder.Finish(out);
  EXPECT_EQ(out, "ab\uFFFD");
  EXPECT_EQ(decoder.stats().replaced, 1u);
}

TEST(GbkCodecTest, EscapedFormKeepsValidTextReadable) {
  EXPECT_EQ(GbkToUtf8Escaped(Gbk("/数据/账套.txt")), "/数据/账套.txt");
}

TEST(GbkCodecTest, EscapedFormRoundTripsArbitraryBytes) {
  // A path given in UTF-8 reaches the library as if it were GBK.
  const std::string utf8_path = "/home/用户/账套数据/科目.txt";
  EXPECT_EQ(Utf8ToGbk(GbkToUtf8Escaped(utf8_path)), utf8_path);

  for (unsigned a = 0; a < 0x100; ++a) {
    for (unsigned b = 0; b < 0x100; ++b) {
      const std::string bytes = {static_cast<char>(a), static_cast<char>(b), 'x'};
      const std::string back = Utf8ToGbk(GbkToUtf8Escaped(bytes));
      if (back != bytes) {
        ADD_FAILURE() << "bytes " << std::hex << a << " " << b << " do not come back";
        return;
      }
    }
  }
}

}  // namespace
}  // namespace qoru
