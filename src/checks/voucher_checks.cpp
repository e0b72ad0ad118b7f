#include "checks/voucher_checks.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include <fmt/format.h>

#include "checks/values/voucher_order.h"

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

// Where `v` stands in the voucher order.
VoucherPlace PlaceOf(const Voucher& v) {
  return {v.year * 10000 + v.month * 100 + v.day, v.type, v.number, v.first_row};
}

// The vouchers of one year, month and type.
struct Group {
  int year = 0;
  int month = 0;
  std::string_view type;
  VoucherPlace first;  // of its first voucher in the voucher order
  bool all_digits = true;
  std::vector<std::uint64_t> numbers;     // of every voucher
  std::vector<std::uint64_t> duplicates;  // of the vouchers whose number is used twice
};

// Up to 20 of `numbers` for the message.
std::string Shown(const std::vector<std::uint64_t>& numbers, std::uint64_t count) {
  std::string shown;
  for (std::size_t i = 0; i < numbers.size() && i < 20; ++i)
    shown += (shown.empty() ? "" : "、") + std::to_string(numbers[i]);
  if (count > 20) shown += " 等";
  return shown;
}

// One sequence's finding, when it has missing or repeated numbers.
void CheckSequence(const std::vector<const Group*>& groups, bool yearly, const std::string& table,
                   CheckResult& out) {
  std::vector<std::uint64_t> numbers, duplicates;
  for (const Group* g : groups) {
    numbers.insert(numbers.end(), g->numbers.begin(), g->numbers.end());
    duplicates.insert(duplicates.end(), g->duplicates.begin(), g->duplicates.end());
  }
  std::sort(numbers.begin(), numbers.end());
  numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
  std::sort(duplicates.begin(), duplicates.end());
  duplicates.erase(std::unique(duplicates.begin(), duplicates.end()), duplicates.end());
  const std::uint64_t largest = numbers.back();
  const auto present = static_cast<std::uint64_t>(
      numbers.end() - std::upper_bound(numbers.begin(), numbers.end(), 0));
  const std::uint64_t missing = largest - present;
  if (missing == 0 && duplicates.empty()) return;
  const Group& g = *groups.front();
  out.Record([&] {
    std::vector<std::uint64_t> list;
    std::uint64_t expected = 1;
    for (std::uint64_t n : numbers) {
      for (; expected < n && list.size() < kMissingListed; ++expected) list.push_back(expected);
      expected = std::max(expected, n + 1);
    }
    const std::uint64_t duplicate_count = duplicates.size();
    if (duplicates.size() > kMissingListed) duplicates.resize(kMissingListed);
    const std::string period =
        yearly ? std::to_string(g.year) + " 年（全年连续编号）" : Period(g.year, g.month);
    std::string text;
    if (missing != 0)
      text = "在 1 至 " + std::to_string(largest) + " 之间缺少 " + std::to_string(missing) +
             " 个凭证号：" + Shown(list, missing);
    if (!duplicates.empty())
      text += (text.empty() ? "" : "；") + std::to_string(duplicate_count) + " 个凭证号重复使用：" +
              Shown(duplicates, duplicate_count);
    const nlohmann::ordered_json month =
        yearly ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(g.month);
    return Finding{CheckId::kVoucherNumbering,
                   table,
                   0,
                   "凭证 " + period + " " + std::string(g.type) + " " + text,
                   {{"table", table},
                    {"voucher", {{"year", g.year}, {"month", month}, {"type", g.type}}},
                    {"month", month},
                    {"missing", list},
                    {"missing_count", missing},
                    {"duplicates", duplicates},
                    {"duplicates_count", duplicate_count}}};
  });
}

}  // namespace

void CheckVoucherBalance(const VoucherBook& book, const std::string& table, CheckResult& out) {
  // In the voucher order, so that the findings listed within the limit do not depend on
  // where the file puts its vouchers.
  std::vector<const Voucher*> unbalanced;
  for (const Voucher& v : book.vouchers())
    if (!(v.debit == v.credit)) unbalanced.push_back(&v);
  std::sort(unbalanced.begin(), unbalanced.end(), [](const Voucher* a, const Voucher* b) {
    return VoucherBefore(PlaceOf(*a), PlaceOf(*b));
  });
  for (const Voucher* voucher : unbalanced) {
    const Voucher& v = *voucher;
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
  const std::vector<Voucher>& vouchers = book.vouchers();
  for (std::size_t i = 0; i < vouchers.size(); ++i) {
    const Voucher& v = vouchers[i];
    if (last == SIZE_MAX || groups[last].year != v.year || groups[last].month != v.month ||
        groups[last].type != v.type) {
      key.assign(std::to_string(v.year * 100 + v.month));
      key.push_back('-');
      key.append(v.type);
      const auto [it, inserted] = index.try_emplace(key, groups.size());
      if (inserted) groups.push_back({v.year, v.month, v.type, PlaceOf(v), true, {}, {}});
      last = it->second;
    }
    Group& g = groups[last];
    if (VoucherBefore(PlaceOf(v), g.first)) g.first = PlaceOf(v);
    std::uint64_t n = 0;
    if (!g.all_digits) continue;
    if (NumberValue(v.number, &n)) {
      g.numbers.push_back(n);
      if (v.many_dates || v.repeated_line) g.duplicates.push_back(n);
    } else {
      g.all_digits = false;
      g.numbers.clear();
      g.duplicates.clear();
    }
  }
  // The months of each year and type, in order of month.
  std::vector<std::vector<const Group*>> years;
  std::unordered_map<std::string, std::size_t> year_index;
  for (const Group& g : groups) {
    if (!g.all_digits || g.numbers.empty()) continue;
    key.assign(std::to_string(g.year)).push_back('-');
    key.append(g.type);
    const auto [it, inserted] = year_index.try_emplace(key, years.size());
    if (inserted) years.emplace_back();
    years[it->second].push_back(&g);
  }
  struct Sequence {
    std::vector<const Group*> groups;
    bool yearly;
    VoucherPlace first;  // its first voucher in the voucher order
  };
  std::vector<Sequence> sequences;
  for (std::vector<const Group*>& months : years) {
    std::sort(months.begin(), months.end(),
              [](const Group* a, const Group* b) { return a->month < b->month; });
    bool yearly = months.size() >= 2;
    for (std::size_t i = 1; i < months.size() && yearly; ++i) {
      const auto& prev = months[i - 1]->numbers;
      const auto& mine = months[i]->numbers;
      yearly =
          *std::min_element(mine.begin(), mine.end()) > *std::max_element(prev.begin(), prev.end());
    }
    if (yearly) {
      VoucherPlace first = months.front()->first;
      for (const Group* g : months)
        if (VoucherBefore(g->first, first)) first = g->first;
      sequences.push_back({months, true, first});
    } else {
      for (const Group* g : months) sequences.push_back({{g}, false, g->first});
    }
  }
  std::sort(sequences.begin(), sequences.end(),
            [](const Sequence& a, const Sequence& b) { return VoucherBefore(a.first, b.first); });
  for (const Sequence& s : sequences) CheckSequence(s.groups, s.yearly, table, out);
}

}  // namespace qoru::checks
