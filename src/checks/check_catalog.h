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
  kBalanceContinuity,
  kVouchersVsBalances,
  kAuxVsTotal,
  kParentSum,
  kTrialBalance,
  kUnknownAccount,
  kNonLeafPosting,
  kDateOutOfYear,
  kBadValue,
  kAccountDirection,
};
inline constexpr std::size_t kCheckCount = 13;

enum class Severity { kError, kWarning };

struct CheckInfo {
  CheckId id;
  std::string_view name;  // "voucher-balance"
  Severity severity;
  std::string_view title;  // the fault it finds, in the words accountants use
};

// Every check, in report order.
const std::array<CheckInfo, kCheckCount>& AllChecks();
const CheckInfo& Info(CheckId id);
std::optional<CheckId> CheckByName(std::string_view name);

std::string_view SeverityName(Severity severity);     // "error", "warning"
std::string_view SeverityChinese(Severity severity);  // "错误", "警告"

}  // namespace qoru::checks
