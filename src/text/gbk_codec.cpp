#include "text/gbk_codec.h"

#include <bit>
#include <cstring>

#include "text/gbk_tables.h"
#include "text/utf8.h"

namespace qoru {
namespace {

using gbk::FourBytes;
using gbk::GetTables;
using gbk::kEscapeBase;
using gbk::kReplacement;
using gbk::kTrailCount;
using gbk::Tables;

// Decodes the character at text[i]; advances i. A byte that starts no character that
// decodes gives U+FFFD and is stepped over alone.
char32_t DecodeGbkAt(const Tables& t, std::string_view text, std::size_t& i,
                     ConversionStats* stats) {
  const auto c = static_cast<unsigned char>(text[i]);
  if (c < 0x80) {
    ++i;
    return c;
  }
  const std::size_t length = GbkCharLength(text, i);
  if (length == 2) {
    const char32_t cp = t.Double(c, static_cast<unsigned char>(text[i + 1]));
    i += 2;
    if (cp != 0) return cp;
  } else if (length == 4) {
    const std::uint32_t linear = Gb18030Linear(c, static_cast<unsigned char>(text[i + 1]),
                                               static_cast<unsigned char>(text[i + 2]),
                                               static_cast<unsigned char>(text[i + 3]));
    i += 4;
    if (linear >= kGb18030BmpSequences) return 0x10000 + (linear - kGb18030SupplementaryStart);
    if (t.four_byte_bmp[linear] != 0) return t.four_byte_bmp[linear];
  } else {
    ++i;
    const char16_t cp = t.high_single[c - 0x80];
    if (cp != 0) return cp;
  }
  if (stats) ++stats->replaced;
  return kReplacement;
}

void EncodeGbk(const Tables& t, char32_t cp, std::string& out, ConversionStats* stats) {
  if (cp >= kEscapeBase + 0x80 && cp <= kEscapeBase + 0xFF) {
    out.push_back(static_cast<char>(cp - kEscapeBase));  // an escaped byte, see GbkToUtf8Escaped
    return;
  }
  std::uint32_t code = 0;
  if (cp < 0x10000) {
    code = t.encode[cp];
  } else if (cp <= 0x10FFFF) {
    code = FourBytes(cp - 0x10000 + kGb18030SupplementaryStart);
  }
  if (cp == 0) {
    out.push_back('\0');
  } else if (code == 0) {
    out.push_back('?');  // a surrogate code point: no character
    if (stats) ++stats->replaced;
  } else if (code < 0x100) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x10000) {
    out.push_back(static_cast<char>(code >> 8));
    out.push_back(static_cast<char>(code & 0xFF));
  } else {
    out.push_back(static_cast<char>(code >> 24));
    out.push_back(static_cast<char>((code >> 16) & 0xFF));
    out.push_back(static_cast<char>((code >> 8) & 0xFF));
    out.push_back(static_cast<char>(code & 0xFF));
  }
}

}  // namespace

std::string GbkToUtf8(std::string_view gbk, ConversionStats* stats) {
  std::string out;
  AppendGbkAsUtf8(gbk, out, stats);
  return out;
}

void AppendGbkAsUtf8(std::string_view gbk, std::string& out, ConversionStats* stats) {
  const Tables& t = GetTables();
  out.reserve(out.size() + gbk.size() + gbk.size() / 2);
  std::size_t i = 0;
  while (i < gbk.size()) {
    // ASCII runs are copied whole.
    std::size_t j = i;
    while (j < gbk.size() && static_cast<unsigned char>(gbk[j]) < 0x80) ++j;
    out.append(gbk.data() + i, j - i);
    i = j;
    if (i == gbk.size()) break;
    if (GbkCharLength(gbk, i) == 2) {
      const auto lead = static_cast<unsigned char>(gbk[i]);
      const auto trail = static_cast<unsigned char>(gbk[i + 1]);
      const std::uint32_t packed = t.utf8_double[(lead - 0x81) * kTrailCount + (trail - 0x40)];
      if (packed != 0) {
        // The bytes put down by one store of the whole word where they are stored low
        // byte first: three stores of a byte each, read back by the copy as wider
        // words, stalled every character.
        char bytes[4];
        if constexpr (std::endian::native == std::endian::little) {
          std::memcpy(bytes, &packed, sizeof packed);
        } else {
          bytes[0] = static_cast<char>(packed & 0xFF);
          bytes[1] = static_cast<char>((packed >> 8) & 0xFF);
          bytes[2] = static_cast<char>((packed >> 16) & 0xFF);
        }
        out.append(bytes, packed >> 24);
        i += 2;
        continue;
      }
    }
    AppendUtf8(DecodeGbkAt(t, gbk, i, stats), out);
  }
}

std::string GbkToUtf8Escaped(std::string_view gbk) {
  const Tables& t = GetTables();
  std::string out;
  out.reserve(gbk.size() + gbk.size() / 2);
  std::string encoded;
  std::size_t i = 0;
  while (i < gbk.size()) {
    const auto c = static_cast<unsigned char>(gbk[i]);
    if (c < 0x80) {
      out.push_back(gbk[i++]);
      continue;
    }
    const std::size_t start = i;
    ConversionStats local;
    const char32_t cp = DecodeGbkAt(t, gbk, i, &local);
    // A character that encodes as other bytes (0xA2E3, the euro sign, encodes as
    // 0x80) is escaped too: the bytes must come back as they are.
    encoded.clear();
    if (local.replaced == 0) EncodeGbk(t, cp, encoded, nullptr);
    if (local.replaced == 0 && encoded == gbk.substr(start, i - start)) {
      AppendUtf8(cp, out);
    } else {
      for (std::size_t k = start; k < i; ++k) {
        const auto b = static_cast<unsigned char>(gbk[k]);
        AppendUtf8(b < 0x80 ? b : kEscapeBase + b, out);
      }
    }
  }
  return out;
}

std::u16string GbkToUtf16(std::string_view gbk, ConversionStats* stats) {
  const Tables& t = GetTables();
  std::u16string out;
  out.reserve(gbk.size());
  std::size_t i = 0;
  while (i < gbk.size()) AppendUtf16(DecodeGbkAt(t, gbk, i, stats), out);
  return out;
}

std::string Utf8ToGbk(std::string_view utf8, ConversionStats* stats) {
  const Tables& t = GetTables();
  std::string out;
  out.reserve(utf8.size());
  std::size_t i = 0;
  while (i < utf8.size()) {
    if (static_cast<unsigned char>(utf8[i]) < 0x80) {
      out.push_back(utf8[i++]);
      continue;
    }
    bool malformed = false;
    const char32_t cp = DecodeUtf8(utf8, i, &malformed);
    if (malformed) {
      out.push_back('?');
      if (stats) ++stats->replaced;
      continue;
    }
    EncodeGbk(t, cp, out, stats);
  }
  return out;
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  std::size_t i = 0;
  while (i < utf8.size()) {
    bool malformed = false;
    AppendUtf16(DecodeUtf8(utf8, i, &malformed), out);
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size() * 3);
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    char32_t cp = utf16[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
        utf16[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = kReplacement;
    }
    AppendUtf8(cp, out);
  }
  return out;
}

}  // namespace qoru
