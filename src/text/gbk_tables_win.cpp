// The tables compiled in: the arrays that the Linux build's qoru-dump-codepage wrote
// from glibc's converters (the generated gbk_tables_data.cpp).
#include <algorithm>

#include "text/gbk_codec.h"
#include "text/gbk_tables.h"

namespace qoru::gbk::data {
extern const char16_t kHighSingle[0x80];
extern const char32_t kDoubleByte[kLeadCount * kTrailCount];
extern const char16_t kFourByteBmp[kGb18030BmpSequences];
extern const std::uint32_t kEncode[0x10000];
}  // namespace qoru::gbk::data

namespace qoru::gbk {

std::unique_ptr<Tables> BuildTables() {
  auto t = std::make_unique<Tables>();
  std::copy(std::begin(data::kHighSingle), std::end(data::kHighSingle), t->high_single.begin());
  t->double_byte.assign(std::begin(data::kDoubleByte), std::end(data::kDoubleByte));
  t->four_byte_bmp.assign(std::begin(data::kFourByteBmp), std::end(data::kFourByteBmp));
  t->encode.assign(std::begin(data::kEncode), std::end(data::kEncode));
  return t;
}

}  // namespace qoru::gbk
