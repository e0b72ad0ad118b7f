#include "checks/check_catalog.h"

namespace qoru::checks {

const std::array<CheckInfo, kCheckCount>& AllChecks() {
  static const std::array<CheckInfo, kCheckCount> kChecks = {{
      {CheckId::kVoucherBalance, "voucher-balance", Severity::kError, "凭证借贷平衡"},
      {CheckId::kVoucherNumbering, "voucher-numbering", Severity::kWarning, "凭证号连续"},
      {CheckId::kBalanceRollForward, "balance-roll-forward", Severity::kError,
       "期初 + 发生 = 期末"},
      {CheckId::kVouchersVsBalances, "vouchers-vs-balances", Severity::kError,
       "凭证发生额与余额表一致"},
      {CheckId::kParentSum, "parent-sum", Severity::kError, "上级科目等于下级合计"},
      {CheckId::kTrialBalance, "trial-balance", Severity::kError, "试算平衡"},
      {CheckId::kUnknownAccount, "unknown-account", Severity::kError, "科目在会计科目表中"},
      {CheckId::kNonLeafPosting, "non-leaf-posting", Severity::kWarning, "分录记在末级科目"},
      {CheckId::kDateOutOfYear, "date-out-of-year", Severity::kWarning, "凭证日期在账套年度内"},
      {CheckId::kBadValue, "bad-value", Severity::kError, "金额和日期可以读取"},
  }};
  return kChecks;
}

const CheckInfo& Info(CheckId id) {
  return AllChecks()[static_cast<std::size_t>(id)];
}

std::optional<CheckId> CheckByName(std::string_view name) {
  for (const CheckInfo& info : AllChecks())
    if (info.name == name) return info.id;
  return std::nullopt;
}

std::string_view SeverityName(Severity severity) {
  return severity == Severity::kError ? "error" : "warning";
}

std::string_view SeverityChinese(Severity severity) {
  return severity == Severity::kError ? "错误" : "警告";
}

}  // namespace qoru::checks
