// An amount as an auditor writes it in an option (--materiality, --round-unit ...):
// digits, ASCII or full-width; thousands separators in groups of three ("1,000,000",
// "１，０００，０００"); a decimal point ("." or "．"); a sign; and the suffix 万 (ten
// thousand) or 亿 (a hundred million): "50万" is 500000, "1.5亿" 150000000. Blanks and
// the ideographic space around it are trimmed. Anything else is no amount.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "checks/values/amount.h"

namespace qoru::checks {

// The amount `text` writes, or nullopt.
std::optional<Amount> ParseWrittenAmount(std::string_view text);

// The amount of option `option`'s value as an auditor writes it; nullopt with the
// reason for the user in `error` ("--materiality 的值 abc 不是金额（可以写 ...）"). The
// range of the value is the caller's to check.
std::optional<Amount> AmountOption(std::string_view option, const std::string& value,
                                   std::string* error);

}  // namespace qoru::checks
