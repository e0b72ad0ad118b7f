#include "checks/voucher_checks.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include <fmt/format.h>

namespace qoru::checks {
namespace {

std::string Period(int year, int month) {
  return fmt::format("{:04d}-{:02d}", year, month);
}

// The value of a voucher number of digits only, at most 18 significant; false otherwise.
bool NumberValue(std::string_view text, std::uint64_t* value) {
  if (text.empty()) return false;
  std::uint64_t n = 0;
  int significant = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    if (n != 0 || c != '0') ++significant;
    if (significant > 18) return false;
    n = n * 10 + static_cast<std::uint64_t>(c - '0');
  }
  *value = n;
  return true;
}

struct Group {
  int year = 0;
  int month = 0;
  std::string_view type;
  bool all_digits = true;
  std::vector<std::uint64_t> numbers;
};

}  // namespace

void CheckVoucherBalance(const VoucherBook& book, const std::string& table, CheckResult& out) {
  for (const Voucher& v : book.vouchers()) {
    if (v.debit == v.credit) continue;
    out.Record([&] {
      const std::string key =
          Period(v.year, v.month) + " " + std::string(v.type) + "-" + std::string(v.number);
      return Finding{
          CheckId::kVoucherBalance,
          table,
          v.first_row,
          "凭证 " + key + " 借贷不平：借方合计 " + v.debit.ToString() + "，贷方合计 " +
              v.credit.ToString() + "，相差 " + (v.debit - v.credit).ToString(),
          {{"table", table},
           {"row", v.first_row},
           {"voucher",
            {{"year", v.year}, {"month", v.month}, {"type", v.type}, {"number", v.number}}},
           {"debit", v.debit.ToString()},
           {"credit", v.credit.ToString()}}};
    });
  }
}

void CheckVoucherNumbering(const VoucherBook& book, const std::string& table, CheckResult& out) {
  std::vector<Group> groups;
  std::unordered_map<std::string, std::size_t> index;
  std::string key;
  std::size_t last = SIZE_MAX;  // the group of the previous voucher, usually this one's
  for (const Voucher& v : book.vouchers()) {
    if (last == SIZE_MAX || groups[last].year != v.year || groups[last].month != v.month ||
        groups[last].type != v.type) {
      key.assign(std::to_string(v.year * 100 + v.month));
      key.push_back('-');
      key.append(v.type);
      const auto [it, inserted] = index.try_emplace(key, groups.size());
      if (inserted) groups.push_back({v.year, v.month, v.type, true, {}});
      last = it->second;
    }
    Group& g = groups[last];
    std::uint64_t n = 0;
    if (!g.all_digits) continue;
    if (NumberValue(v.number, &n)) {
      g.numbers.push_back(n);
    } else {
      g.all_digits = false;
      g.numbers.clear();
    }
  }
  for (Group& g : groups) {
    if (!g.all_digits || g.numbers.empty()) continue;
    std::sort(g.numbers.begin(), g.numbers.end());
    g.numbers.erase(std::unique(g.numbers.begin(), g.numbers.end()), g.numbers.end());
    const std::uint64_t largest = g.numbers.back();
    const auto present = static_cast<std::uint64_t>(
        g.numbers.end() - std::upper_bound(g.numbers.begin(), g.numbers.end(), 0));
    const std::uint64_t missing = largest - present;
    if (missing == 0) continue;
    out.Record([&] {
      nlohmann::ordered_json list = nlohmann::ordered_json::array();
      std::string shown;
      std::uint64_t expected = 1;
      for (std::uint64_t n : g.numbers) {
        for (; expected < n && list.size() < kMissingListed; ++expected) {
          list.push_back(expected);
          if (list.size() <= 20) shown += (shown.empty() ? "" : "、") + std::to_string(expected);
        }
        expected = std::max(expected, n + 1);
      }
      if (missing > 20) shown += " 等";
      return Finding{CheckId::kVoucherNumbering,
                     table,
                     0,
                     "凭证 " + Period(g.year, g.month) + " " + std::string(g.type) + " 在 1 至 " +
                         std::to_string(largest) + " 之间缺少 " + std::to_string(missing) +
                         " 个凭证号：" + shown,
                     {{"table", table},
                      {"voucher", {{"year", g.year}, {"month", g.month}, {"type", g.type}}},
                      {"missing", std::move(list)},
                      {"missing_count", missing}}};
    });
  }
}

}  // namespace qoru::checks
