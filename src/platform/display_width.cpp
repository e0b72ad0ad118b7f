#include "platform/display_width.h"

#include <sys/ioctl.h>

#include <algorithm>
#include <cctype>

namespace qoru {
namespace {

// Decodes the code point at `i` and advances `i`; an invalid byte yields itself.
char32_t NextCodePoint(std::string_view s, std::size_t& i) {
  const auto b = static_cast<unsigned char>(s[i]);
  int len = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
  if (len == 0 || i + len > s.size()) {
    ++i;
    return b;
  }
  char32_t c = len == 1 ? b : b & (0x7F >> len);
  for (int k = 1; k < len; ++k) {
    const auto t = static_cast<unsigned char>(s[i + k]);
    if ((t & 0xC0) != 0x80) {
      ++i;
      return b;
    }
    c = (c << 6) | (t & 0x3F);
  }
  i += len;
  return c;
}

}  // namespace

int CodePointColumns(char32_t c) {
  if (c < 0x20 || (c >= 0x7F && c < 0xA0)) return 0;
  if ((c >= 0x0300 && c <= 0x036F) || (c >= 0x200B && c <= 0x200F) || c == 0xFEFF) return 0;
  if ((c >= 0x1100 && c <= 0x115F) ||    // Hangul Jamo
      (c >= 0x2010 && c <= 0x206F) ||    // general punctuation: "…", curly quotes
      (c >= 0x2E80 && c <= 0xA4CF) ||    // CJK radicals .. Yi
      (c >= 0xAC00 && c <= 0xD7A3) ||    // Hangul syllables
      (c >= 0xE000 && c <= 0xF8FF) ||    // private use (user-defined GBK characters)
      (c >= 0xF900 && c <= 0xFAFF) ||    // CJK compatibility ideographs
      (c >= 0xFE30 && c <= 0xFE4F) ||    // CJK compatibility forms
      (c >= 0xFF00 && c <= 0xFF60) ||    // full-width forms
      (c >= 0xFFE0 && c <= 0xFFE6) ||    // full-width signs
      (c >= 0xFFFD && c <= 0xFFFD) ||    // the replacement character
      (c >= 0x1F300 && c <= 0x1FAFF) ||  // pictographs
      (c >= 0x20000 && c <= 0x3FFFD))    // CJK extensions
    return 2;
  return 1;
}

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

int TerminalColumns(int fd) {
  struct winsize ws {};
  if (::ioctl(fd, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) return ws.ws_col;
  return 80;
}

}  // namespace qoru
