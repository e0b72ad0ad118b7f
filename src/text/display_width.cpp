#include "text/display_width.h"

#include <algorithm>
#include <cctype>

#include "text/utf8.h"

namespace qoru {
namespace {

// Decodes the code point at `i` and advances `i`; a byte that does not start a
// character yields itself.
char32_t NextCodePoint(std::string_view s, std::size_t& i) {
  const std::size_t start = i;
  bool malformed = false;
  const char32_t c = DecodeUtf8(s, i, &malformed);
  if (!malformed) return c;
  i = start + 1;
  return static_cast<unsigned char>(s[start]);
}

}  // namespace

std::size_t DisplayColumns(std::string_view utf8) {
  std::size_t columns = 0;
  for (std::size_t i = 0; i < utf8.size();) columns += CodePointColumns(NextCodePoint(utf8, i));
  return columns;
}

std::string FitColumns(std::string_view utf8, std::size_t columns) {
  if (DisplayColumns(utf8) <= columns) return std::string(utf8);
  constexpr std::string_view kEllipsis = "\u2026";  // two columns, counted wide
  const std::size_t room = columns >= 2 ? columns - 2 : 0;
  std::size_t used = 0;
  std::size_t i = 0;
  while (i < utf8.size()) {
    std::size_t next = i;
    const int w = CodePointColumns(NextCodePoint(utf8, next));
    if (used + w > room) break;
    used += w;
    i = next;
  }
  std::string out(utf8.substr(0, i));
  if (columns >= 2) out += kEllipsis;
  return out;
}

std::vector<std::string> WrapColumns(const std::string& text, std::size_t columns) {
  // Punctuation that must not start a line: it stays at the end of the line before.
  static const std::vector<std::string> kClosing = {"，", "。", "、", "；", "：",
                                                    "）", "”",  "！", "？"};
  auto is_word = [](unsigned char c) {
    return c < 0x80 &&
           (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '/' || c == '*');
  };
  std::vector<std::string> lines;
  std::string line;
  std::size_t used = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t end = i + 1;
    if (is_word(static_cast<unsigned char>(text[i]))) {
      while (end < text.size() && is_word(static_cast<unsigned char>(text[end]))) ++end;
    } else {
      while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
    }
    if (end - i > columns && is_word(static_cast<unsigned char>(text[i])))
      end = i + std::max<std::size_t>(columns, 1);  // a word longer than a line is cut
    const std::string piece = text.substr(i, end - i);
    i = end;
    const std::size_t width = DisplayColumns(piece);
    const bool closing = std::find(kClosing.begin(), kClosing.end(), piece) != kClosing.end();
    if (piece == "\n" || (used + width > columns && used > 0 && !closing)) {
      while (!line.empty() && line.back() == ' ') line.pop_back();
      lines.push_back(line);
      line.clear();
      used = 0;
      if (piece == "\n" || piece == " ") continue;
    }
    line += piece;
    used += width;
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  if (!line.empty()) lines.push_back(line);
  return lines;
}

std::vector<std::string> TerminalLines(const std::string& message, int columns) {
  const std::size_t first = message.find_first_not_of(' ');
  const std::size_t indent = first == std::string::npos ? 0 : first;
  const int room = std::max(columns - 3 - static_cast<int>(indent), 8);
  std::vector<std::string> lines =
      WrapColumns(message.substr(indent), static_cast<std::size_t>(room));
  if (lines.empty()) lines.emplace_back();
  for (std::string& line : lines) line.insert(0, indent, ' ');
  return lines;
}

}  // namespace qoru
