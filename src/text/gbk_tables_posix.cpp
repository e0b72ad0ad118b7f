// The tables from glibc's iconv converters "CP936" and "GB18030", and a few fixed areas.
#include "text/gbk_tables.h"

#include <iconv.h>

#include <cerrno>
#include <memory>
#include <stdexcept>

#include "text/gbk_codec.h"

namespace qoru::gbk {
namespace {

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

}  // namespace

namespace {

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

// An iconv converter, closed with the object.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  operator iconv_t() const { return cd_; }

 private:
  iconv_t cd_;
};

}  // namespace

std::unique_ptr<Tables> BuildTables() {
  auto t = std::make_unique<Tables>();
  t->double_byte.assign(kLeadCount * kTrailCount, 0);
  t->four_byte_bmp.assign(kGb18030BmpSequences, 0);
  t->encode.assign(0x10000, 0);

  const Converter dec("UTF-32LE", "CP936");
  const Converter enc("CP936", "UTF-32LE");
  const Converter dec18030("UTF-32LE", "GB18030");
  if (!dec.ok() || !enc.ok())
    throw std::runtime_error("iconv: the code page CP936 is not available");
  if (!dec18030.ok()) throw std::runtime_error("iconv: the code page GB18030 is not available");

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

  return t;
}

}  // namespace qoru::gbk
