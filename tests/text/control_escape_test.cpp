// What a person reads shows a control character as what it is, never as what it does.
#include "text/control_escape.h"

#include <gtest/gtest.h>

#include <string>

namespace qoru {
namespace {

TEST(ControlEscape, ControlCharactersShowAsTheirCodes) {
  const struct {
    std::string text, shown;
  } cases[] = {
      {"plain 文字 and lines\nkept", "plain 文字 and lines\nkept"},
      {"\x1b]52;c;SGk\x07", "\\x1b]52;c;SGk\\x07"},
      {"\x1b[2J\r\t\x7f", "\\x1b[2J\\x0d\\x09\\x7f"},
      {std::string("a\0b", 3), "a\\x00b"},
      {"\xC2\x85 and \xC2\x9B", "\\x85 and \\x9b"},  // C1 as UTF-8: U+0085, U+009B
      {"\x9b"
       "1m",
       "\\x9b1m"},                                       // a stray C1 byte
      {"\xC2\xA0\xE4\xB8\xAD", "\xC2\xA0\xE4\xB8\xAD"},  // U+00A0 and 中: kept
      {"\xFF\xE4\xB8", "\xFF\xE4\xB8"},                  // not UTF-8, no control: kept
      {"\\x1b", "\\x1b"},                                // shown again: unchanged
  };
  for (const auto& c : cases) EXPECT_EQ(EscapeControls(c.text), c.shown) << c.shown;
}

}  // namespace
}  // namespace qoru
