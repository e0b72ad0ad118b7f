#include "checks/check_catalog.h"

namespace qoru::checks {

const std::array<CheckInfo, kCheckCount>& AllChecks() {
  static const std::array<CheckInfo, kCheckCount> kChecks = {{
      {CheckId::kVoucherBalance, "voucher-balance", Severity::kError, "凭证借贷不平"},
      {CheckId::kVoucherNumbering, "voucher-numbering", Severity::kWarning, "凭证断号/重号"},
      {CheckId::kBalanceRollForward, "balance-roll-forward", Severity::kError, "期初+发生≠期末"},
      {CheckId::kBalanceContinuity, "balance-continuity", Severity::kError, "期初与上月期末不符"},
      {CheckId::kVouchersVsBalances, "vouchers-vs-balances", Severity::kError, "账表不符"},
      {CheckId::kAuxVsTotal, "aux-vs-total", Severity::kError, "辅助账与总账不符"},
      {CheckId::kParentSum, "parent-sum", Severity::kError, "上下级科目不符"},
      {CheckId::kTrialBalance, "trial-balance", Severity::kError, "试算不平衡"},
      {CheckId::kUnknownAccount, "unknown-account", Severity::kError, "科目不在科目表中"},
      {CheckId::kNonLeafPosting, "non-leaf-posting", Severity::kWarning, "非末级科目记账"},
      {CheckId::kDateOutOfYear, "date-out-of-year", Severity::kWarning, "跨年度凭证"},
      {CheckId::kBadValue, "bad-value", Severity::kError, "金额或日期无法识别"},
      {CheckId::kAccountDirection, "account-direction", Severity::kWarning, "科目余额方向无法识别"},
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
