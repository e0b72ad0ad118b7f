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
  std::vector<char32_t> double_byte;         // [lead][trail] -> code point
  std::vector<char16_t> four_byte_bmp;       // linear sequence -> basic-plane code point
  // Basic-plane code point -> its bytes: < 0x100 one byte, < 0x10000 two (lead high),
  // else four (first byte highest).
  std::vector<std::uint32_t> encode;
  // [lead][trail] -> the UTF-8 of double_byte's code point: its bytes in the low three
  // bytes, first byte lowest, and their number in the top byte; 0 for no mapping and
  // for the code points beyond the basic plane.
  std::vector<std::uint32_t> utf8_double;

  char32_t Double(unsigned lead, unsigned trail) const {
    return double_byte[(lead - 0x81) * kTrailCount + (trail - 0x40)];
  }
};

// Four-byte sequences that glibc's "GB18030" leaves unmapped: it follows the 2022
// edition, which gave their former characters double-byte codes, and these sequences
// to the private-use code points that those double-byte codes had before.
struct FourByteLeftover {
  std::uint32_t linear;
  char16_t code_point;
};
constexpr FourByteLeftover kFourByteLeftovers[] = {
    {Gb18030Linear(0x82, 0x35, 0x90, 0x37), 0xE81E},
    {Gb18030Linear(0x82, 0x35, 0x90, 0x38), 0xE826},
    {Gb18030Linear(0x82, 0x35, 0x90, 0x39), 0xE82B},
    {Gb18030Linear(0x82, 0x35, 0x91, 0x30), 0xE82C},
    {Gb18030Linear(0x82, 0x35, 0x91, 0x31), 0xE832},
    {Gb18030Linear(0x82, 0x35, 0x91, 0x32), 0xE843},
    {Gb18030Linear(0x82, 0x35, 0x91, 0x33), 0xE854},
    {Gb18030Linear(0x82, 0x35, 0x91, 0x34), 0xE864},
    {Gb18030Linear(0x84, 0x31, 0x82, 0x36), 0xE78D},
    {Gb18030Linear(0x84, 0x31, 0x82, 0x37), 0xE78F},
    {Gb18030Linear(0x84, 0x31, 0x82, 0x38), 0xE78E},
    {Gb18030Linear(0x84, 0x31, 0x82, 0x39), 0xE790},
    {Gb18030Linear(0x84, 0x31, 0x83, 0x30), 0xE791},
    {Gb18030Linear(0x84, 0x31, 0x83, 0x31), 0xE792},
    {Gb18030Linear(0x84, 0x31, 0x83, 0x32), 0xE793},
    {Gb18030Linear(0x84, 0x31, 0x83, 0x33), 0xE794},
    {Gb18030Linear(0x84, 0x31, 0x83, 0x34), 0xE795},
    {Gb18030Linear(0x84, 0x31, 0x83, 0x35), 0xE796},
};

// Double-byte codes that glibc's "GB18030" gives characters beyond the basic plane,
// which have four-byte codes of their own: they keep the private-use code points that
// the standard gives them, so that those code points can be written too.
struct DoubleBytePrivateUse {
  std::uint16_t code;
  char16_t code_point;
};
constexpr DoubleBytePrivateUse kDoubleBytePrivateUse[] = {
    {0xFE51, 0xE816}, {0xFE52, 0xE817}, {0xFE53, 0xE818},
    {0xFE6C, 0xE831}, {0xFE76, 0xE83B}, {0xFE91, 0xE855},
};

std::uint32_t FourBytes(std::uint32_t linear) {
  const std::uint32_t b4 = linear % 10;
  linear /= 10;
  const std::uint32_t b3 = linear % 126;
  linear /= 126;
  const std::uint32_t b2 = linear % 10;
  const std::uint32_t b1 = linear / 10;
  return (0x81 + b1) << 24 | (0x30 + b2) << 16 | (0x81 + b3) << 8 | (0x30 + b4);
}

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

// Double-byte code that iconv gives for a code point, or 0.
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
  t->four_byte_bmp.assign(kGb18030BmpSequences, 0);
  t->encode.assign(0x10000, 0);

  iconv_t dec = iconv_open("UTF-32LE", "CP936");
  iconv_t enc = iconv_open("CP936", "UTF-32LE");
  iconv_t dec18030 = iconv_open("UTF-32LE", "GB18030");
  if (dec == reinterpret_cast<iconv_t>(-1) || enc == reinterpret_cast<iconv_t>(-1))
    throw std::runtime_error("iconv: the code page CP936 is not available");
  if (dec18030 == reinterpret_cast<iconv_t>(-1))
    throw std::runtime_error("iconv: the code page GB18030 is not available");

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
        t->double_byte[(lead - 0x81) * kTrailCount + (trail - 0x40)] = cp;
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
  for (unsigned c = 0; c < 0x80; ++c) t->encode[c] = c;
  for (unsigned b = 0x80; b <= 0xFF; ++b) {
    const char16_t cp = t->high_single[b - 0x80];
    if (cp != 0 && t->encode[cp] == 0) t->encode[cp] = b;
  }
  for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
    for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      const char32_t cp = t->Double(lead, trail);
      if (cp == 0) continue;
      const std::uint32_t code = lead << 8 | trail;
      if (t->encode[cp] == 0) {
        t->encode[cp] = code;
      } else if (t->encode[cp] != code) {
        const std::uint16_t preferred = IconvEncode(enc, cp);
        if (preferred != 0) t->encode[cp] = preferred;
      }
    }
  }

  // GB 18030: the double-byte codes that code page 936 leaves empty ...
  for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
    for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      char32_t& slot = t->double_byte[(lead - 0x81) * kTrailCount + (trail - 0x40)];
      if (slot != 0) continue;
      const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      char32_t cp = IconvOne(dec18030, pair, 2);
      const auto code = static_cast<std::uint16_t>(lead << 8 | trail);
      if (cp >= 0x10000) {
        cp = 0;
        for (const DoubleBytePrivateUse& pua : kDoubleBytePrivateUse)
          if (pua.code == code) cp = pua.code_point;
      }
      if (cp == 0) continue;
      slot = cp;
      if (t->encode[cp] == 0) t->encode[cp] = code;
    }
  }
  // ... and the four-byte codes of the basic plane.
  for (std::uint32_t linear = 0; linear < kGb18030BmpSequences; ++linear) {
    const std::uint32_t bytes = FourBytes(linear);
    const char seq[4] = {static_cast<char>(bytes >> 24), static_cast<char>(bytes >> 16),
                         static_cast<char>(bytes >> 8), static_cast<char>(bytes)};
    const char32_t cp = IconvOne(dec18030, seq, 4);
    if (cp != 0 && cp < 0x10000) t->four_byte_bmp[linear] = static_cast<char16_t>(cp);
  }
  for (const FourByteLeftover& left : kFourByteLeftovers)
    if (t->four_byte_bmp[left.linear] == 0) t->four_byte_bmp[left.linear] = left.code_point;
  for (std::uint32_t linear = 0; linear < kGb18030BmpSequences; ++linear) {
    const char16_t cp = t->four_byte_bmp[linear];
    if (cp != 0 && t->encode[cp] == 0) t->encode[cp] = FourBytes(linear);
  }
  iconv_close(dec);
  iconv_close(enc);
  iconv_close(dec18030);

  t->utf8_double.assign(t->double_byte.size(), 0);
  for (std::size_t i = 0; i < t->double_byte.size(); ++i) {
    const char32_t cp = t->double_byte[i];
    if (cp == 0 || cp >= 0x10000) continue;
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

}  // namespace qoru
