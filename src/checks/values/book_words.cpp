#include "checks/values/book_words.h"

#include "checks/values/book_text.h"

namespace qoru::checks {
namespace {

// The value of trimmed digits of at most `most` characters; nullopt otherwise.
std::optional<int> Digits(std::string_view text, std::size_t most) {
  text = TrimBlanks(text);
  if (text.empty() || text.size() > most) return std::nullopt;
  int n = 0;
  for (char c : text) {
    if (!IsAsciiDigit(c)) return std::nullopt;
    n = n * 10 + (c - '0');
  }
  return n;
}

}  // namespace

Side ParseSide(std::string_view text) {
  text = TrimBlanks(text);
  for (std::string_view w : {"借", "借方", "D", "DR", "DEBIT"})
    if (EqualsIgnoringAsciiCase(text, w)) return Side::kDebit;
  for (std::string_view w : {"贷", "贷方", "C", "CR", "CREDIT"})
    if (EqualsIgnoringAsciiCase(text, w)) return Side::kCredit;
  return Side::kOther;
}

Direction ParseDirection(std::string_view text) {
  switch (ParseSide(text)) {
    case Side::kDebit:
      return Direction::kDebit;
    case Side::kCredit:
      return Direction::kCredit;
    case Side::kOther:
      break;
  }
  text = TrimBlanks(text);
  return text.empty() || text == "平" ? Direction::kZero : Direction::kUnreadable;
}

std::optional<int> ParseMonth(std::string_view text) {
  // Leading zeros are allowed, so the length is not limited to two.
  const std::string_view t = TrimBlanks(text);
  if (t.empty()) return std::nullopt;
  int n = 0;
  for (char c : t) {
    if (!IsAsciiDigit(c)) return std::nullopt;
    n = n * 10 + (c - '0');
    if (n > 12) return std::nullopt;
  }
  if (n < 1) return std::nullopt;
  return n;
}

std::optional<int> ParseYear(std::string_view text) {
  const std::optional<int> y = Digits(text, 4);
  if (!y || *y < 1) return std::nullopt;
  return y;
}

std::vector<int> ParseCodeStructure(std::string_view text) {
  std::vector<std::string_view> runs;
  for (std::size_t i = 0; i < text.size();) {
    if (!IsAsciiDigit(text[i])) {
      ++i;
      continue;
    }
    const std::size_t start = i;
    while (i < text.size() && IsAsciiDigit(text[i])) ++i;
    runs.push_back(text.substr(start, i - start));
  }
  std::vector<int> levels;
  if (runs.size() == 1 && runs[0].size() >= 2) {
    for (char c : runs[0]) levels.push_back(c - '0');
  } else {
    for (std::string_view run : runs) {
      int n = 0;
      for (char c : run) {
        n = n * 10 + (c - '0');
        if (n > 1000) n = 1000;  // no code is that long: keeps the value bounded
      }
      levels.push_back(n);
    }
  }
  for (int n : levels)
    if (n == 0) return {};
  return levels;
}

}  // namespace qoru::checks
