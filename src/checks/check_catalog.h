// The checks of a book set: their stable ids (what users select and look up), their
// severities and the order in which they are reported.
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace qoru::checks {

enum class CheckId {
  kVoucherBalance,
  kVoucherNumbering,
  kBalanceRollForward,
  kVouchersVsBalances,
  kParentSum,
  kTrialBalance,
  kUnknownAccount,
  kNonLeafPosting,
  kDateOutOfYear,
  kBadValue,
};
inline constexpr std::size_t kCheckCount = 10;

enum class Severity { kError, kWarning };

struct CheckInfo {
  CheckId id;
  std::string_view name;  // "voucher-balance"
  Severity severity;
  std::string_view title;  // what it checks, in Chinese
};

// Every check, in report order.
const std::array<CheckInfo, kCheckCount>& AllChecks();
const CheckInfo& Info(CheckId id);
std::optional<CheckId> CheckByName(std::string_view name);

std::string_view SeverityName(Severity severity);     // "error", "warning"
std::string_view SeverityChinese(Severity severity);  // "错误", "警告"

}  // namespace qoru::checks
