#include "text/gbk_codec.h"

#include <gtest/gtest.h>

#include <cstdint>
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
    EXPECT_EQ(Utf8ToGbk(Utf16ToUtf8(GbkToUtf16(gbk))), gbk);
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
                        Utf8ToGbk(Utf16ToUtf8(utf16)) == gbk && Utf8ToGbk(GbkToUtf8(gbk)) == gbk;
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
      {"\xA2\xAB\xD6\xD0", "\uE766中", 0},  // a pair that only GB 18030 maps, then a character
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

TEST(GbkCodecTest, MalformedUtf8BecomesQuestionMarksCounted) {
  struct Case {
    std::string_view utf8;
    std::string_view gbk;
    std::size_t replaced;
  };
  const Case cases[] = {
      {"a😀b",
       "a\x94\x39\xFC\x36"
       "b",
       0},                         // outside the basic plane: four bytes
      {"x\xE4\xB8y", "x?y", 1},    // cut-off sequence before ASCII
      {"\xFFok", "?ok", 1},        // not a UTF-8 byte at all
      {"中\xE4", "\xD6\xD0?", 1},  // cut off at the end
      {"ab\xE4"
       "c",
       "ab?c", 1},  // cut off one byte short: the next byte is read afresh
      {"\xF0\x9F"
       "z",
       "?z", 1},  // a four-byte sequence cut off before the last two
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

TEST(GbkCodecTest, FourByteCharactersDecodeAndEncodeAsThemselves) {
  struct Case {
    std::string_view bytes;
    std::string_view utf8;
  };
  const Case cases[] = {
      {"\x95\x34\xB2\x35", "𠮷"},          // U+20BB7, common in names
      {"\x90\x30\x81\x30", "\U00010000"},  // the first supplementary sequence
      {"\xE3\x32\x9A\x35", "\U0010FFFF"},  // the last one
      {"\x81\x30\x81\x30", "\u0080"},      // the first sequence of the basic plane
      {"\x84\x31\xA4\x39", "\uFFFF"},      // the last one
      {"\x84\x31\xA4\x37", "\uFFFD"},      // the replacement character itself
      {"\x81\x39\xEE\x39", "\u3400"},      // the first CJK extension A character
      {"\x82\x35\x90\x37", "\uE81E"},      // a sequence glibc leaves unmapped
      {"\x84\x31\x82\x37", "\uE78F"},      // another one
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.utf8);
    const std::string text = "a" + std::string(c.bytes) + "1";
    const std::string utf8 = "a" + std::string(c.utf8) + "1";
    ConversionStats stats;
    EXPECT_EQ(GbkToUtf8(text, &stats), utf8);
    EXPECT_EQ(Utf16ToUtf8(GbkToUtf16(text, &stats)), utf8);
    EXPECT_EQ(stats.replaced, 0u);
    EXPECT_EQ(Utf8ToGbk(utf8, &stats), text);
    EXPECT_EQ(Utf8ToGbk(Utf16ToUtf8(Utf8ToUtf16(utf8)), &stats), text);
    EXPECT_EQ(stats.replaced, 0u);
    EXPECT_EQ(GbkToUtf8Escaped(text), utf8);
  }
}

TEST(GbkCodecTest, DoubleByteCodesThatCodePage936LacksDecodeAsGb18030) {
  EXPECT_EQ(GbkToUtf8("\xA2\xE3"), "€");
  EXPECT_EQ(GbkToUtf8("\xA6\xD9"), "\uFE10");
  // Private use, as the standard has it; the character itself has four bytes.
  EXPECT_EQ(GbkToUtf8("\xFE\x51"), "\uE816");
  EXPECT_EQ(Utf8ToGbk("\uE816"), "\xFE\x51");
  EXPECT_EQ(Utf8ToGbk("\U00020087"), "\x95\x32\x90\x31");
  EXPECT_EQ(Gbk("€"), "\x80");  // the euro keeps its one byte
  // The escaped form keeps the bytes of a character that encodes otherwise.
  EXPECT_EQ(Utf8ToGbk(GbkToUtf8Escaped("\xA2\xE3")), "\xA2\xE3");
}

// Every character of a range as UTF-8, one after the other.
std::string Utf8Run(char32_t first, char32_t last) {
  std::u32string text;
  for (char32_t cp = first; cp <= last; ++cp)
    if ((cp < 0xD800 || cp > 0xDFFF) && (cp < 0xF780 || cp > 0xF7FF)) text.push_back(cp);
  std::u16string utf16;
  for (char32_t cp : text) {
    if (cp < 0x10000) {
      utf16.push_back(static_cast<char16_t>(cp));
    } else {
      utf16.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      utf16.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    }
  }
  return Utf16ToUtf8(utf16);
}

TEST(GbkCodecTest, EveryCharacterSurvivesUtf8ToLegacyAndBack) {
  // U+F780-U+F7FF stand for raw bytes (GbkToUtf8Escaped) and are left out.
  for (char32_t first = 1; first <= 0x10FFFF; first += 0x10000) {
    const std::string utf8 = Utf8Run(first, first + 0xFFFE);
    ConversionStats there;
    const std::string legacy = Utf8ToGbk(utf8, &there);
    ConversionStats back;
    const std::string again = GbkToUtf8(legacy, &back);
    if (there.replaced != 0 || back.replaced != 0 || again != utf8) {
      for (char32_t cp = first; cp < first + 0xFFFF; ++cp) {
        const std::string one = Utf8Run(cp, cp);
        if (!one.empty() && GbkToUtf8(Utf8ToGbk(one)) != one) {
          ADD_FAILURE() << "U+" << std::hex << static_cast<std::uint32_t>(cp) << " is lost";
          break;
        }
      }
      ADD_FAILURE() << "plane " << (first >> 16) << " does not come back whole";
      return;
    }
  }
}

TEST(GbkCodecTest, SequencesShapedLikeFourBytesButUnassignedDecodeByteByByte) {
  struct Case {
    std::string_view gbk;
    std::string_view utf8;
    std::size_t replaced;
  };
  const Case cases[] = {
      {"\x85\x30\x81\x30",
       "\uFFFD"
       "0\uFFFD"
       "0",
       2},  // between the two ranges
      {"\xE3\x32\x9A\x36",
       "\uFFFD"
       "2\uFFFD"
       "6",
       2},  // past U+10FFFF
      {"\x95\x34\xB2",
       "\uFFFD"
       "4\uFFFD",
       2},  // cut off
      {"\x95\x34"
       "a\x35",
       "\uFFFD"
       "4a5",
       1},  // no lead third
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.utf8);
    ConversionStats stats;
    EXPECT_EQ(GbkToUtf8(c.gbk, &stats), c.utf8);
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

TEST(GbkCodecTest, AppendingDecodesLikeAWholeConversion) {
  // The import decodes field by field into one buffer.
  const std::string gbk = Gbk("科目A编号") +
                          "\xFF\xB0"
                          "0" +
                          Gbk("，𠮷x");
  ConversionStats whole_stats;
  const std::string whole = GbkToUtf8(gbk, &whole_stats);
  std::string out = "prefix";
  ConversionStats stats;
  AppendGbkAsUtf8(gbk, out, &stats);
  EXPECT_EQ(out, "prefix" + whole);
  EXPECT_EQ(stats.replaced, 2u);
  EXPECT_EQ(whole_stats.replaced, 2u);
  EXPECT_EQ(whole,
            "科目A编号\uFFFD\uFFFD"
            "0，𠮷x");
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
