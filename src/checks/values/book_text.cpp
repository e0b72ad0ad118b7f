#include "checks/values/book_text.h"

namespace qoru::checks {
namespace {

char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

void AccountKeyInto(std::string_view code, std::string& out) {
  const std::string_view trimmed = TrimBlanks(code);
  out.resize(trimmed.size());
  for (std::size_t i = 0; i < trimmed.size(); ++i) out[i] = AsciiLower(trimmed[i]);
}

std::string AccountKey(std::string_view code) {
  std::string key;
  AccountKeyInto(code, key);
  return key;
}

bool IsVoidFlag(std::string_view value) {
  return TrimBlanks(value) == "1";
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

}  // namespace qoru::checks
