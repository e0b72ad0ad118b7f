#include "checks/check_report.h"

#include <algorithm>

namespace qoru::checks {

std::string Place(const Finding& finding) {
  if (finding.table.empty()) return {};
  if (finding.row <= 0) return finding.table;
  return finding.table + " 第 " + std::to_string(finding.row) + " 行";
}

Finding UnknownAccountFinding(const std::string& table, std::int64_t row,
                              const std::string& account) {
  return Finding{CheckId::kUnknownAccount,
                 table,
                 row,
                 "科目 " + account + " 不在会计科目表中",
                 {{"table", table}, {"row", row}, {"account", account}}};
}

void CheckResult::Append(CheckResult&& later) {
  for (Finding& f : later.listed) {
    if (listed.size() >= limit) break;
    listed.push_back(std::move(f));
  }
  count += later.count;
}

void CheckResult::Skip(std::string why) {
  skipped = true;
  reason = std::move(why);
  count = 0;
  listed.clear();
}

std::uint64_t CheckReport::Errors() const {
  std::uint64_t n = 0;
  for (const CheckResult& r : results)
    if (Info(r.id).severity == Severity::kError) n += r.count;
  return n;
}

std::uint64_t CheckReport::Warnings() const {
  std::uint64_t n = 0;
  for (const CheckResult& r : results)
    if (Info(r.id).severity == Severity::kWarning) n += r.count;
  return n;
}

std::size_t CheckReport::Skipped() const {
  return static_cast<std::size_t>(std::count_if(results.begin(), results.end(),
                                                [](const CheckResult& r) { return r.skipped; }));
}

bool CheckReport::Failed(bool strict) const {
  return Errors() > 0 || (strict && (Warnings() > 0 || Skipped() > 0));
}

CheckReport EmptyReport(std::size_t limit) {
  CheckReport report;
  for (std::size_t i = 0; i < kCheckCount; ++i) {
    report.results[i].id = AllChecks()[i].id;
    report.results[i].limit = limit;
  }
  return report;
}

}  // namespace qoru::checks
