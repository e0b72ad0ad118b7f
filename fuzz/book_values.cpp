// Fuzz target: the readers of a book set's values, as the checks and screening read
// them: amounts (and whole multiples of an amount), dates, balance months, years, side
// words and balance directions, the trimming they share, and the order of voucher
// numbers.
//
// Input: one byte choosing the reader, then the text (for the multiple, the order and
// the trimming, the text is split at its first bytes 0x1F into two or three texts).
// Checks:
//   - an amount reads the same after trimming and with blanks, control characters and
//     U+3000 around it; what reads is within the range and its text reads back as the
//     same value; whether it is a multiple of another amount agrees with 256-bit
//     arithmetic;
//   - a date is a real day, reads the same written as yyyymmdd, and as the text trimmed;
//   - a month is 1 to 12 and a year 1 to 9999, each exactly the value of its digits;
//   - a side word reads the same in either ASCII case and with blanks around; a
//     direction agrees with the side;
//   - trimming leaves a part of the text with no blank at either end, and trims nothing
//     more a second time;
//   - voucher numbers compare as an order (antisymmetric, transitive, equal only when
//     the texts are), numbers of digits before all others and by value.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "checks/values/amount.h"
#include "checks/values/book_text.h"
#include "checks/values/book_words.h"
#include "checks/values/calendar_date.h"
#include "checks/values/voucher_order.h"
#include "fuzz_support.h"

using namespace qoru;
using namespace qoru::checks;

namespace {

// An unsigned 256-bit integer, enough for any amount's units times 10^18.
struct U256 {
  std::array<std::uint64_t, 4> w{};  // least significant first

  static U256 Of(unsigned __int128 v) {
    U256 x;
    x.w[0] = static_cast<std::uint64_t>(v);
    x.w[1] = static_cast<std::uint64_t>(v >> 64);
    return x;
  }
  bool IsZero() const { return (w[0] | w[1] | w[2] | w[3]) == 0; }
  void TimesTen() {
    unsigned __int128 carry = 0;
    for (std::uint64_t& word : w) {
      const unsigned __int128 v = static_cast<unsigned __int128>(word) * 10 + carry;
      word = static_cast<std::uint64_t>(v);
      carry = v >> 64;
    }
    FUZZ_CHECK(carry == 0);
  }
  bool Bit(int i) const { return (w[static_cast<std::size_t>(i / 64)] >> (i % 64)) & 1; }
  void ShiftInBit(bool bit) {
    for (std::size_t i = 3; i > 0; --i) w[i] = (w[i] << 1) | (w[i - 1] >> 63);
    w[0] = (w[0] << 1) | (bit ? 1 : 0);
  }
  friend bool operator>=(const U256& a, const U256& b) {
    for (std::size_t i = 4; i-- > 0;)
      if (a.w[i] != b.w[i]) return a.w[i] > b.w[i];
    return true;
  }
  void Subtract(const U256& b) {
    std::uint64_t borrow = 0;
    for (std::size_t i = 0; i < 4; ++i) {
      const std::uint64_t before = w[i];
      w[i] = before - b.w[i] - borrow;
      borrow = (before < b.w[i] || (before == b.w[i] && borrow)) ? 1 : 0;
    }
  }
  // This modulo `m` (not zero), by binary long division.
  U256 Modulo(const U256& m) const {
    U256 r;
    for (int i = 255; i >= 0; --i) {
      r.ShiftInBit(Bit(i));
      if (r >= m) r.Subtract(m);
    }
    return r;
  }
};

unsigned __int128 Magnitude(Amount::Units u) {
  return u < 0 ? static_cast<unsigned __int128>(0) - static_cast<unsigned __int128>(u)
               : static_cast<unsigned __int128>(u);
}

bool MultipleBy256Bits(const Amount& a, const Amount& unit) {
  if (unit.IsZero()) return false;
  U256 x = U256::Of(Magnitude(a.units())), y = U256::Of(Magnitude(unit.units()));
  for (int s = a.scale(); s < unit.scale(); ++s) x.TimesTen();
  for (int s = unit.scale(); s < a.scale(); ++s) y.TimesTen();
  return x.Modulo(y).IsZero();
}

std::string Padded(std::string_view text) {
  return " \t\xE3\x80\x80\r" + std::string(text) + "\x7F\xE3\x80\x80\n ";
}

void CheckAmount(std::string_view text) {
  Amount a;
  const AmountText outcome = ParseAmount(text, &a);
  if (outcome != AmountText::kValue) FUZZ_CHECK(a.IsZero() && a.scale() == 0);
  Amount again;
  FUZZ_CHECK(ParseAmount(Padded(text), &again) == outcome);
  FUZZ_CHECK(again == a);
  FUZZ_CHECK(ParseAmount(TrimBlanks(text), &again) == outcome);
  if (outcome != AmountText::kValue) return;
  FUZZ_CHECK(a.scale() >= 0 && a.scale() <= Amount::kMaxScale);
  const Amount::Units limit = [] {
    Amount::Units p = 1;
    for (int i = 0; i < Amount::kMaxDigits; ++i) p *= 10;
    return p;
  }();
  FUZZ_CHECK(a.units() < limit && a.units() > -limit);
  const std::string shown = a.ToString();
  FUZZ_CHECK(ParseAmount(shown, &again) == AmountText::kValue);
  FUZZ_CHECK(again == a);
}

void CheckMultiple(std::string_view text) {
  const std::vector<std::string_view> parts = fuzz::Split(text, '\x1f', 2);
  Amount a, unit;
  ParseAmount(parts[0], &a);
  if (parts.size() > 1) ParseAmount(parts[1], &unit);
  FUZZ_CHECK(IsMultipleOf(a, unit) == MultipleBy256Bits(a, unit));
  if (!a.IsZero()) FUZZ_CHECK(IsMultipleOf(a, a) && IsMultipleOf(-a, a));
}

void CheckDate(std::string_view text) {
  const std::optional<CalendarDate> d = ParseCalendarDate(text);
  const std::optional<CalendarDate> padded = ParseCalendarDate(Padded(text));
  FUZZ_CHECK(d.has_value() == padded.has_value());
  if (!d) return;
  FUZZ_CHECK(d->year == padded->year && d->month == padded->month && d->day == padded->day);
  FUZZ_CHECK(d->year >= 1 && d->year <= 9999 && d->month >= 1 && d->month <= 12);
  FUZZ_CHECK(d->day >= 1 && d->day <= 31);
  char compact[16];
  std::snprintf(compact, sizeof compact, "%04d%02d%02d", d->year, d->month, d->day);
  const std::optional<CalendarDate> back = ParseCalendarDate(compact);
  FUZZ_CHECK(back && back->year == d->year && back->month == d->month && back->day == d->day);
}

// The value of `text` when it is ASCII digits whose value is at most `most`; -1 for
// other digits, -2 for no digits.
long DigitValue(std::string_view text, long most) {
  if (!IsDigitNumber(text)) return -2;
  long n = 0;
  for (char c : text) {
    n = n * 10 + (c - '0');
    if (n > most) return -1;
  }
  return n;
}

void CheckMonthAndYear(std::string_view text) {
  const std::string_view t = TrimBlanks(text);
  const std::optional<int> month = ParseMonth(text);
  const long m = DigitValue(t, 12);
  FUZZ_CHECK(month.has_value() == (m >= 1));
  if (month) FUZZ_CHECK(*month == m);
  FUZZ_CHECK(ParseMonth(Padded(text)) == month);
  const std::optional<int> year = ParseYear(text);
  const long y = t.size() <= 4 ? DigitValue(t, 9999) : -1;
  FUZZ_CHECK(year.has_value() == (y >= 1));
  if (year) FUZZ_CHECK(*year == y);
}

void CheckWords(std::string_view text) {
  const Side side = ParseSide(text);
  std::string flipped(text);
  for (char& c : flipped)
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) c = static_cast<char>(c ^ 0x20);
  FUZZ_CHECK(ParseSide(flipped) == side);
  FUZZ_CHECK(ParseSide(Padded(text)) == side);
  const Direction d = ParseDirection(text);
  FUZZ_CHECK(ParseDirection(Padded(text)) == d);
  if (side == Side::kDebit) FUZZ_CHECK(d == Direction::kDebit);
  if (side == Side::kCredit) FUZZ_CHECK(d == Direction::kCredit);
  if (side == Side::kOther) FUZZ_CHECK(d != Direction::kDebit && d != Direction::kCredit);
}

void CheckTrim(std::string_view text) {
  const std::string_view t = TrimBlanks(text);
  FUZZ_CHECK(t.data() >= text.data() && t.data() + t.size() <= text.data() + text.size());
  FUZZ_CHECK(TrimBlanks(t) == t);
  if (!t.empty()) {
    const auto front = static_cast<unsigned char>(t.front());
    const auto back = static_cast<unsigned char>(t.back());
    FUZZ_CHECK(front > ' ' && front != 0x7F && back > ' ' && back != 0x7F);
    FUZZ_CHECK(!t.starts_with("\xE3\x80\x80") && !t.ends_with("\xE3\x80\x80"));
  }
  FUZZ_CHECK(TrimBlanks(Padded(text)) == t);
}

int Sign(int c) {
  return (c > 0) - (c < 0);
}

void CheckNumberOrder(std::string_view text) {
  std::vector<std::string_view> n = fuzz::Split(text, '\x1f', 3);
  while (n.size() < 3) n.push_back({});
  for (std::string_view a : n) {
    FUZZ_CHECK(CompareVoucherNumbers(a, a) == 0);
    for (std::string_view b : n) {
      const int ab = CompareVoucherNumbers(a, b);
      FUZZ_CHECK(ab == -CompareVoucherNumbers(b, a));
      FUZZ_CHECK((ab == 0) == (a == b));
      if (IsDigitNumber(a) != IsDigitNumber(b)) FUZZ_CHECK(ab == (IsDigitNumber(a) ? -1 : 1));
      const long va = DigitValue(a, 100'000'000'000'000'000L);
      const long vb = DigitValue(b, 100'000'000'000'000'000L);
      if (va >= 0 && vb >= 0 && va != vb) FUZZ_CHECK(ab == (va < vb ? -1 : 1));
      for (std::string_view c : n) {
        const int bc = CompareVoucherNumbers(b, c);
        if (ab < 0 && bc < 0) FUZZ_CHECK(CompareVoucherNumbers(a, c) < 0);
        if (ab == 0) FUZZ_CHECK(Sign(CompareVoucherNumbers(a, c)) == Sign(bc));
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Cursor cursor(data, size);
  const std::uint8_t choice = cursor.Byte();
  const std::string_view text = cursor.Rest();
  switch (choice % 7) {
    case 0:
      CheckAmount(text);
      break;
    case 1:
      CheckMultiple(text);
      break;
    case 2:
      CheckDate(text);
      break;
    case 3:
      CheckMonthAndYear(text);
      break;
    case 4:
      CheckWords(text);
      break;
    case 5:
      CheckTrim(text);
      break;
    default:
      CheckNumberOrder(text);
      break;
  }
  return 0;
}
