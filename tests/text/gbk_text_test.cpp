#include "text/gbk_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/gbk_codec.h"

namespace qoru {
namespace {

// 0xB0 0x5B is a GBK character whose second byte is "[".
const std::string kCharWithBracketTrail = "\xB0\x5B";
// 0x81 0x41 and 0x81 0x61 are GBK characters whose second bytes are "A" and "a".
const std::string kCharWithUpperATrail = "\x81\x41";
const std::string kCharWithLowerATrail = "\x81\x61";
// 𠮷 (U+20BB7), a GB 18030 four-byte character.
const std::string kFourByte = "\x95\x34\xB2\x35";

TEST(GbkTextTest, FindTextMatchesOnlyOnCharacterBoundaries) {
  struct Case {
    const char* what;
    std::string text;
    std::string needle;
    bool ignore_case;
    std::size_t expected;
  };
  const Case cases[] = {
      {"plain ASCII", "ab[c", "[", false, 2},
      {"bracket as trail byte", kCharWithBracketTrail + "x", "[", false, kNotFound},
      {"bracket after a bracket-trail character", kCharWithBracketTrail + "[", "[", false, 2},
      {"letter as trail byte", kCharWithUpperATrail, "A", false, kNotFound},
      {"letter as trail byte, any case", kCharWithUpperATrail + "xa", "A", true, 3},
      {"section name", Gbk("x[记账凭证]"), Gbk("记账凭证"), false, 2},
      {"needle byte that is a trail byte", Gbk("啊"), "\xA1", false, kNotFound},
      {"half a character at the end of the needle", Gbk("啊"), "\xB0", false, kNotFound},
      {"empty needle", "abc", "", false, 0},
      {"needle longer than text", "ab", "abc", false, kNotFound},
      {"second occurrence after a false one",
       kCharWithBracketTrail + Gbk("部门]") + "[" + Gbk("部门]"), "[" + Gbk("部门]"), false, 7},
      // 𠮷 is 0x95 0x34 0xB2 0x35: its second and fourth bytes are the digits 4 and 5.
      {"digit inside a four-byte character", kFourByte + "x", "4", false, kNotFound},
      {"digit after a four-byte character", kFourByte + "5", "5", false, 4},
      {"digits across two four-byte characters", kFourByte + kFourByte, "5\x95", false, kNotFound},
      {"bracket after a four-byte character", kFourByte + "[", "[", false, 4},
      {"four-byte needle", "a" + kFourByte, kFourByte, false, 1},
      {"four-byte needle, any case", "A" + kFourByte, "a" + kFourByte, true, 0},
      {"half a four-byte character", kFourByte, "\x95\x34", false, kNotFound},
      {"lead and digit that make no character", "\x95\x34x4", "4", false, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(FindText(c.text, c.needle, c.ignore_case), c.expected);
    EXPECT_EQ(ContainsText(c.text, c.needle, c.ignore_case), c.expected != kNotFound);
  }
}

TEST(GbkTextTest, CharacterLengthsStepOverEveryKindOfCharacter) {
  struct Case {
    std::string text;
    std::vector<std::size_t> lengths;
  };
  const Case cases[] = {
      {"a" + Gbk("中") + kFourByte + "\x80", {1, 2, 4, 1}},
      {"\x95\x34\xB2", {1, 1, 1}},         // cut off
      {"\x85\x30\x81\x30", {1, 1, 1, 1}},  // between the two ranges of four bytes
      {"\xE3\x32\x9A\x35\xE3\x32\x9A\x36", {4, 1, 1, 1, 1}},  // U+10FFFF, then past it
      {"\x84\x31\xA4\x39\x84\x31\xA5\x30", {4, 1, 1, 1, 1}},  // U+FFFF, then past it
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(GbkToUtf8(c.text));
    std::vector<std::size_t> lengths;
    for (std::size_t i = 0; i < c.text.size(); i += lengths.back())
      lengths.push_back(GbkCharLength(c.text, i));
    EXPECT_EQ(lengths, c.lengths);
  }
}

TEST(GbkTextTest, IgnoringCaseFoldsOnlyAsciiLetters) {
  struct Case {
    std::string text;
    std::string needle;
    std::size_t expected;
  };
  const Case cases[] = {
      {"[DEPT]", "[dept]", 0},
      {"x[Dept]", "[dEPT]", 1},
      // Full-width letters are double-byte characters and keep their case.
      {Gbk("ＡＢ"), Gbk("ａｂ"), kNotFound},
      // The trail bytes "A" and "a" make two different characters.
      {kCharWithUpperATrail, kCharWithLowerATrail, kNotFound},
      {"a" + kCharWithLowerATrail, "A" + kCharWithLowerATrail, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(FindText(c.text, c.needle, true), c.expected);
  }
  EXPECT_EQ(FindText("[DEPT]", "[dept]", false), kNotFound);
}

TEST(GbkTextTest, TrimRemovesControlCharactersAndBlanksAtBothEndsOnly) {
  struct Case {
    std::string text;
    std::string expected;
  };
  const Case cases[] = {
      {"", ""},
      {" \t\r\n", ""},
      {std::string("\0\x01 a b \x1F", 7), "a b"},
      {Gbk(" 部 门\t"), Gbk("部 门")},
      {"\x7F", "\x7F"},  // DEL is above 32
  };
  for (const auto& c : cases) EXPECT_EQ(Trim(c.text), c.expected);
}

TEST(GbkTextTest, QuotedTextDoublesInnerSingleQuotes) {
  EXPECT_EQ(QuotedText(""), "''");
  EXPECT_EQ(QuotedText("a,\"b\""), "'a,\"b\"'");
  EXPECT_EQ(QuotedText("it's ''"), "'it''s '''''");
}

}  // namespace
}  // namespace qoru
