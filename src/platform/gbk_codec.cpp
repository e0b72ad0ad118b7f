#include "platform/gbk_codec.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <memory>
#include <stdexcept>
#include <vector>

namespace qoru {
namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kEscapeBase = 0xF700;  // U+F780..U+F7FF carry the bytes 0x80..0xFF
constexpr int kLeadCount = 0xFE - 0x81 + 1;
constexpr int kTrailCount = 0xFE - 0x40 + 1;

// Conversion tables, filled once from iconv. A zero entry means "no mapping".
struct Tables {
  std::array<char16_t, 0x80> high_single{};  // bytes 0x80..0xFF alone
  std::vector<char16_t> double_byte;         // [lead][trail] -> code point
  std::vector<std::uint16_t> encode;         // code point -> GBK (<0x100: one byte)
  // [lead][trail] -> the UTF-8 of double_byte's code point: its bytes in the low three
  // bytes, first byte lowest, and their number in the top byte; 0 for no mapping.
  std::vector<std::uint32_t> utf8_double;

  char16_t Double(unsigned lead, unsigned trail) const {
    return double_byte[(lead - 0x81) * kTrailCount + (trail - 0x40)];
  }
};

// Converts one short byte sequence with iconv; returns the single code point or 0.
char32_t IconvOne(iconv_t cd, const char* in, std::size_t len) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char32_t out[4] = {};
  char* inp = const_cast<char*>(in);
  std::size_t inleft = len;
  char* outp = reinterpret_cast<char*>(out);
  std::size_t outleft = sizeof(out);
  if (iconv(cd, &inp, &inleft, &outp, &outleft) == static_cast<std::size_t>(-1)) return 0;
  if (inleft != 0 || sizeof(out) - outleft != sizeof(char32_t)) return 0;
  return out[0];
}

// GBK code that iconv gives for a code point, or 0.
std::uint16_t IconvEncode(iconv_t cd, char32_t cp) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* inp = reinterpret_cast<char*>(&cp);
  std::size_t inleft = sizeof(cp);
  unsigned char out[8] = {};
  char* outp = reinterpret_cast<char*>(out);
  std::size_t outleft = sizeof(out);
  if (iconv(cd, &inp, &inleft, &outp, &outleft) == static_cast<std::size_t>(-1)) return 0;
  const std::size_t n = sizeof(out) - outleft;
  if (n == 1) return out[0];
  if (n == 2) return static_cast<std::uint16_t>(out[0] << 8 | out[1]);
  return 0;
}

// The user-defined areas that the host's code page maps to the private use area.
void AddPrivateUseAreas(Tables& t) {
  char16_t cp = 0xE000;
  for (unsigned lead = 0xAA; lead <= 0xAF; ++lead)
    for (unsigned trail = 0xA1; trail <= 0xFE; ++trail)
      t.double_byte[(lead - 0x81) * kTrailCount + (trail - 0x40)] = cp++;
  cp = 0xE234;
  for (unsigned lead = 0xF8; lead <= 0xFE; ++lead)
    for (unsigned trail = 0xA1; trail <= 0xFE; ++trail)
      t.double_byte[(lead - 0x81) * kTrailCount + (trail - 0x40)] = cp++;
  cp = 0xE4C6;
  for (unsigned lead = 0xA1; lead <= 0xA7; ++lead)
    for (unsigned trail = 0x40; trail <= 0xA0; ++trail) {
      if (trail == 0x7F) continue;
      t.double_byte[(lead - 0x81) * kTrailCount + (trail - 0x40)] = cp++;
    }
}

std::unique_ptr<Tables> BuildTables() {
  auto t = std::make_unique<Tables>();
  t->double_byte.assign(kLeadCount * kTrailCount, 0);
  t->encode.assign(0x10000, 0);

  iconv_t dec = iconv_open("UTF-32LE", "CP936");
  iconv_t enc = iconv_open("CP936", "UTF-32LE");
  if (dec == reinterpret_cast<iconv_t>(-1) || enc == reinterpret_cast<iconv_t>(-1))
    throw std::runtime_error("iconv: the code page CP936 is not available");

  for (unsigned b = 0x80; b <= 0xFF; ++b) {
    const char c = static_cast<char>(b);
    t->high_single[b - 0x80] = static_cast<char16_t>(IconvOne(dec, &c, 1));
  }
  for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
    for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      const char32_t cp = IconvOne(dec, pair, 2);
      if (cp != 0 && cp < 0x10000)
        t->double_byte[(lead - 0x81) * kTrailCount + (trail - 0x40)] = static_cast<char16_t>(cp);
    }
  }
  // Fill the user-defined areas only where iconv has no mapping of its own.
  Tables pua;
  pua.double_byte.assign(kLeadCount * kTrailCount, 0);
  AddPrivateUseAreas(pua);
  for (std::size_t i = 0; i < pua.double_byte.size(); ++i)
    if (t->double_byte[i] == 0 && pua.double_byte[i] != 0) t->double_byte[i] = pua.double_byte[i];

  // Reverse direction: ASCII, then every mapped byte sequence; where two sequences
  // give one code point, iconv's own choice wins.
  for (unsigned c = 0; c < 0x80; ++c) t->encode[c] = static_cast<std::uint16_t>(c);
  for (unsigned b = 0x80; b <= 0xFF; ++b) {
    const char16_t cp = t->high_single[b - 0x80];
    if (cp != 0 && t->encode[cp] == 0) t->encode[cp] = static_cast<std::uint16_t>(b);
  }
  for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
    for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      const char16_t cp = t->Double(lead, trail);
      if (cp == 0) continue;
      const auto code = static_cast<std::uint16_t>(lead << 8 | trail);
      if (t->encode[cp] == 0) {
        t->encode[cp] = code;
      } else if (t->encode[cp] != code) {
        const std::uint16_t preferred = IconvEncode(enc, cp);
        if (preferred != 0) t->encode[cp] = preferred;
      }
    }
  }
  iconv_close(dec);
  iconv_close(enc);

  t->utf8_double.assign(t->double_byte.size(), 0);
  for (std::size_t i = 0; i < t->double_byte.size(); ++i) {
    const char32_t cp = t->double_byte[i];
    if (cp == 0) continue;
    std::uint32_t packed = 0;
    int n = 0;
    if (cp < 0x80) {
      packed = cp;
      n = 1;
    } else if (cp < 0x800) {
      packed = (0xC0 | (cp >> 6)) | (0x80 | (cp & 0x3F)) << 8;
      n = 2;
    } else {
      packed = (0xE0 | (cp >> 12)) | (0x80 | ((cp >> 6) & 0x3F)) << 8 | (0x80 | (cp & 0x3F)) << 16;
      n = 3;
    }
    t->utf8_double[i] = packed | static_cast<std::uint32_t>(n) << 24;
  }
  return t;
}

const Tables& GetTables() {
  static const std::unique_ptr<Tables> tables = BuildTables();
  return *tables;
}

void AppendUtf8(char32_t cp, std::string& out) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

void AppendUtf16(char32_t cp, std::u16string& out) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

// Decodes the GBK character at text[i]; advances i. Unknown sequences give U+FFFD.
char32_t DecodeGbkAt(const Tables& t, std::string_view text, std::size_t& i,
                     ConversionStats* stats) {
  const auto c = static_cast<unsigned char>(text[i]);
  if (c < 0x80) {
    ++i;
    return c;
  }
  if (GbkCharLength(text, i) == 2) {
    const char16_t cp = t.Double(c, static_cast<unsigned char>(text[i + 1]));
    i += 2;
    if (cp != 0) return cp;
  } else {
    ++i;
    const char16_t cp = t.high_single[c - 0x80];
    if (cp != 0) return cp;
  }
  if (stats) ++stats->replaced;
  return kReplacement;
}

// Decodes one UTF-8 sequence at text[i]; advances i. Malformed input gives U+FFFD.
char32_t DecodeUtf8At(std::string_view text, std::size_t& i, bool* malformed) {
  const auto c = static_cast<unsigned char>(text[i]);
  *malformed = false;
  if (c < 0x80) {
    ++i;
    return c;
  }
  int extra = 0;
  char32_t cp = 0;
  if ((c & 0xE0) == 0xC0) {
    extra = 1;
    cp = c & 0x1F;
  } else if ((c & 0xF0) == 0xE0) {
    extra = 2;
    cp = c & 0x0F;
  } else if ((c & 0xF8) == 0xF0) {
    extra = 3;
    cp = c & 0x07;
  } else {
    ++i;
    *malformed = true;
    return kReplacement;
  }
  if (i + static_cast<std::size_t>(extra) >= text.size()) {
    i = text.size();
    *malformed = true;
    return kReplacement;
  }
  for (int k = 1; k <= extra; ++k) {
    const auto cc = static_cast<unsigned char>(text[i + k]);
    if ((cc & 0xC0) != 0x80) {
      i += k;
      *malformed = true;
      return kReplacement;
    }
    cp = (cp << 6) | (cc & 0x3F);
  }
  i += extra + 1;
  // Overlong forms, surrogates and code points beyond Unicode are not characters.
  static constexpr char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
  if (cp < kLeast[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    *malformed = true;
    return kReplacement;
  }
  return cp;
}

void EncodeGbk(const Tables& t, char32_t cp, std::string& out, ConversionStats* stats) {
  const std::uint16_t code = cp < 0x10000 ? t.encode[cp] : 0;
  if (code == 0 && cp >= kEscapeBase + 0x80 && cp <= kEscapeBase + 0xFF) {
    out.push_back(static_cast<char>(cp - kEscapeBase));  // an escaped byte, see GbkToUtf8Escaped
  } else if (cp == 0) {
    out.push_back('\0');
  } else if (code == 0) {
    out.push_back('?');
    if (stats) ++stats->replaced;
  } else if (code < 0x100) {
    out.push_back(static_cast<char>(code));
  } else {
    out.push_back(static_cast<char>(code >> 8));
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
        const char bytes[3] = {static_cast<char>(packed & 0xFF),
                               static_cast<char>((packed >> 8) & 0xFF),
                               static_cast<char>((packed >> 16) & 0xFF)};
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
    if (local.replaced == 0) {
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
    const char32_t cp = DecodeUtf8At(utf8, i, &malformed);
    if (malformed) {
      out.push_back('?');
      if (stats) ++stats->replaced;
      continue;
    }
    EncodeGbk(t, cp, out, stats);
  }
  return out;
}

std::string Utf16ToGbk(std::u16string_view utf16, ConversionStats* stats) {
  const Tables& t = GetTables();
  std::string out;
  out.reserve(utf16.size() * 2);
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    char32_t cp = utf16[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
        utf16[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
      ++i;
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
    AppendUtf16(DecodeUtf8At(utf8, i, &malformed), out);
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

void GbkStreamDecoder::Decode(std::string_view piece, std::string& out) {
  if (piece.empty()) return;
  const Tables& t = GetTables();
  std::size_t i = 0;
  if (pending_ >= 0) {
    const char pair[2] = {static_cast<char>(pending_), piece[0]};
    std::string_view pv(pair, 2);
    std::size_t j = 0;
    AppendUtf8(DecodeGbkAt(t, pv, j, &stats_), out);
    i = j - 1;  // j is 1 when the lead byte stood alone, 2 when it paired
    pending_ = -1;
  }
  while (i < piece.size()) {
    const auto c = static_cast<unsigned char>(piece[i]);
    if (c < 0x80) {
      out.push_back(piece[i++]);
      continue;
    }
    if (IsGbkLead(c) && i + 1 == piece.size()) {
      pending_ = c;
      return;
    }
    AppendUtf8(DecodeGbkAt(t, piece, i, &stats_), out);
  }
}

void GbkStreamDecoder::Finish(std::string& out) {
  if (pending_ >= 0) {
    const char c = static_cast<char>(pending_);
    std::size_t j = 0;
    AppendUtf8(DecodeGbkAt(GetTables(), std::string_view(&c, 1), j, &stats_), out);
    pending_ = -1;
  }
}

}  // namespace qoru
