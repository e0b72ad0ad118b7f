#include "checks/values/written_amount.h"

#include <string>

#include "checks/values/book_text.h"

namespace qoru::checks {
namespace {

// UTF-8 of the full-width forms read: U+FF0B ＋, U+FF0C ，, U+FF0D －, U+FF0E ．, and
// the digits U+FF10 to U+FF19, all "\xEF\xBC" and one byte.
constexpr std::string_view kFullWidthLead = "\xEF\xBC";
constexpr std::string_view kWan = "\xE4\xB8\x87";  // 万
constexpr std::string_view kYi = "\xE4\xBA\xBF";   // 亿

// Whether the whole part's separators stand every three digits from the right.
bool GroupedRightly(std::string_view whole) {
  if (whole.find(',') == std::string_view::npos) return true;
  std::size_t digits = 0;  // since the last separator
  bool first = true;
  for (const char c : whole) {
    if (c != ',') {
      ++digits;
      continue;
    }
    if (digits == 0 || digits > 3 || (!first && digits != 3)) return false;
    first = false;
    digits = 0;
  }
  return digits == 3;
}

}  // namespace

std::optional<Amount> ParseWrittenAmount(std::string_view text) {
  text = TrimBlanks(text);
  int shift = 0;  // decimal places the suffix moves the point by
  if (text.size() > 3 && text.substr(text.size() - 3) == kWan) {
    shift = 4;
  } else if (text.size() > 3 && text.substr(text.size() - 3) == kYi) {
    shift = 8;
  }
  if (shift > 0) text = TrimBlanks(text.substr(0, text.size() - 3));
  // The full-width forms as ASCII.
  std::string ascii;
  for (std::size_t i = 0; i < text.size();) {
    if (text.substr(i, 2) == kFullWidthLead && i + 2 < text.size()) {
      const auto c = static_cast<unsigned char>(text[i + 2]);
      if (c >= 0x8B && c <= 0x99 && c != 0x8F) {
        ascii += static_cast<char>(c - 0x8B + '+');
        i += 3;
        continue;
      }
      return std::nullopt;
    }
    if (static_cast<unsigned char>(text[i]) >= 0x80) return std::nullopt;
    ascii += text[i++];
  }
  const std::size_t sign = !ascii.empty() && (ascii[0] == '+' || ascii[0] == '-') ? 1 : 0;
  const std::size_t point = ascii.find('.');
  const std::string_view whole = std::string_view(ascii).substr(sign, point - sign);
  if (!GroupedRightly(whole)) return std::nullopt;
  if (point != std::string::npos && ascii.find(',', point) != std::string::npos)
    return std::nullopt;
  std::string plain;
  for (const char c : ascii)
    if (c != ',') plain += c;
  Amount a;
  if (ParseAmount(plain, &a) != AmountText::kValue || plain != TrimBlanks(plain))
    return std::nullopt;
  if (shift == 0) return a;
  // The point moved right: fewer decimals, or the units scaled up.
  if (a.scale() >= shift) return Amount::FromUnits(a.units(), a.scale() - shift);
  Amount::Units units = a.units();
  for (int s = a.scale(); s < shift; ++s)
    if (__builtin_mul_overflow(units, 10, &units)) return std::nullopt;
  return Amount::FromUnits(units, 0);
}

std::optional<Amount> AmountOption(std::string_view option, const std::string& value,
                                   std::string* error) {
  std::optional<Amount> read = ParseWrittenAmount(value);
  if (!read)
    *error =
        std::string(option) + " 的值 " + value + " 不是金额（可以写 1000000、1,000,000 或 100万）";
  return read;
}

}  // namespace qoru::checks
