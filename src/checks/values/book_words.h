// The words and small numbers of a book set that are not amounts or dates: balance
// sides (借/贷 and their spellings), balance directions beside an amount, balance
// months, years and the chart's code structure ("4-2-2").
#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace qoru::checks {

enum class Side { kDebit, kCredit, kOther };

// A side word, trimmed, ASCII case ignored: 借, 借方, D, DR, DEBIT are the debit side;
// 贷, 贷方, C, CR, CREDIT the credit side; anything else is kOther.
Side ParseSide(std::string_view text);

// A balance direction beside an amount: a side, or 平 / empty for a zero balance.
enum class Direction { kDebit, kCredit, kZero, kUnreadable };
Direction ParseDirection(std::string_view text);

// A balance row's month: trimmed ASCII digits naming 1 to 12 ("03" too); nullopt
// for anything else, the empty value included.
std::optional<int> ParseMonth(std::string_view text);

// A year: trimmed ASCII digits, at most four, naming 1 to 9999; nullopt otherwise.
std::optional<int> ParseYear(std::string_view text);

// A code structure: the lengths of each level's segment. The runs of digits in the
// text are the levels ("4-2-2", "4/2/2"); a single run of two or more digits is one
// digit per level ("4222"). A level of zero, or no digits at all, is no structure
// (empty).
std::vector<int> ParseCodeStructure(std::string_view text);

}  // namespace qoru::checks
