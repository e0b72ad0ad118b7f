#include "text/control_escape.h"

#include "text/utf8.h"

namespace qoru {
namespace {

void AppendEscaped(unsigned code, std::string& out) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += "\\x";
  out.push_back(kHex[(code >> 4) & 0xF]);
  out.push_back(kHex[code & 0xF]);
}

}  // namespace

std::string EscapeControls(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      if ((c < 0x20 && c != '\n') || c == 0x7F) {
        AppendEscaped(c, out);
      } else {
        out.push_back(static_cast<char>(c));
      }
      ++i;
      continue;
    }
    const std::size_t start = i;
    bool malformed = false;
    const char32_t cp = DecodeUtf8(utf8, i, &malformed);
    if (malformed) {
      // A stray byte: a C1 control as the terminal may read it, else kept as it is.
      i = start + 1;
      if (c <= 0x9F) {
        AppendEscaped(c, out);
      } else {
        out.push_back(static_cast<char>(c));
      }
    } else if (cp >= 0x80 && cp <= 0x9F) {
      AppendEscaped(static_cast<unsigned>(cp), out);
    } else {
      out.append(utf8, start, i - start);
    }
  }
  return out;
}

void ShowText(std::FILE* stream, std::string_view utf8) {
  const std::string shown = EscapeControls(utf8);
  std::fwrite(shown.data(), 1, shown.size(), stream);
}

}  // namespace qoru
