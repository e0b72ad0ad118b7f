#include "text/source_encoding.h"

#include "text/utf8.h"

namespace qoru {
namespace {

std::string AsciiLowered(std::string_view word) {
  std::string out(word);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

}  // namespace

const char* EncodingName(SourceEncoding encoding) {
  return encoding == SourceEncoding::kUtf8 ? "UTF-8" : "GBK";
}

bool IsEncodingChoice(std::string_view word) {
  const std::string w = AsciiLowered(word);
  return w == "auto" || w == "gbk" || w == "utf-8" || w == "utf8";
}

std::optional<SourceEncoding> ParseEncodingChoice(std::string_view word) {
  const std::string w = AsciiLowered(word);
  if (w == "gbk") return SourceEncoding::kGbk;
  if (w == "utf-8" || w == "utf8") return SourceEncoding::kUtf8;
  return std::nullopt;
}

bool HasUtf8ByteOrderMark(std::string_view bytes) {
  return bytes.substr(0, kUtf8ByteOrderMark.size()) == kUtf8ByteOrderMark;
}

bool LooksLikeUtf8(std::string_view bytes, bool may_be_cut) {
  bool multi_byte = false;
  std::size_t i = 0;
  while (i < bytes.size()) {
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {
      ++i;
      continue;
    }
    const std::size_t start = i;
    bool malformed = false;
    DecodeUtf8(bytes, i, &malformed);
    if (malformed) {
      // A sequence that only the end of the sample cut short: judged by what came before.
      return may_be_cut && bytes.size() - start < 4 && i >= bytes.size() && multi_byte;
    }
    multi_byte = true;
  }
  return multi_byte;
}

SourceEncoding DetectEncoding(std::string_view bytes, bool may_be_cut) {
  if (HasUtf8ByteOrderMark(bytes)) return SourceEncoding::kUtf8;
  return LooksLikeUtf8(bytes, may_be_cut) ? SourceEncoding::kUtf8 : SourceEncoding::kGbk;
}

}  // namespace qoru
