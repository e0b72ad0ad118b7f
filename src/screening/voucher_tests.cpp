#include <algorithm>
#include <map>
#include <set>
#include <unordered_map>

#include <fmt/format.h>

#include "checks/values/book_text.h"
#include "screening/holiday_calendar.h"
#include "screening/screen_tests.h"

namespace qoru::screening {
namespace {

checks::CalendarDate ToDate(int d) {
  return {DateYear(d), DateMonth(d), DateDay(d)};
}

ScreenItem VoucherItem(const ScreenBook& book, TestId test, int v, std::string reason) {
  const ScreenVoucher& voucher = book.vouchers[static_cast<std::size_t>(v)];
  ScreenItem item;
  item.test = test;
  item.voucher = v;
  item.date = voucher.date;
  item.postings = voucher.postings;
  item.reason = std::move(reason);
  return item;
}

}  // namespace

void TestWeekendHoliday(const ScreenBook& book, TestResult& out) {
  std::set<int> uncovered;
  for (std::size_t v = 0; v < book.vouchers.size(); ++v) {
    const int date = book.vouchers[v].date;
    if (!CalendarCovers(DateYear(date))) uncovered.insert(DateYear(date));
    const RestDay day = ClassifyDay(ToDate(date));
    if (day.rest)
      out.items.push_back(
          VoucherItem(book, TestId::kWeekendHoliday, static_cast<int>(v), std::string(day.reason)));
  }
  if (!uncovered.empty()) {
    std::string years;
    for (int y : uncovered) years += (years.empty() ? "" : "、") + std::to_string(y);
    out.reason = fmt::format("节假日表只有 {} 至 {} 年；{} 年只按周六、周日判断", kHolidayFirstYear,
                             kHolidayLastYear, years);
  }
}

void TestApproval(const ScreenBook& book, TestResult& out) {
  for (std::size_t v = 0; v < book.vouchers.size(); ++v) {
    const ScreenVoucher& voucher = book.vouchers[v];
    if (voucher.approver == 0) {
      out.items.push_back(VoucherItem(book, TestId::kApproval, static_cast<int>(v), "未审核"));
    } else if (voucher.preparer != 0 && voucher.preparer == voucher.approver) {
      out.items.push_back(
          VoucherItem(book, TestId::kApproval, static_cast<int>(v), "制单人与审核人相同"));
    }
  }
}

void TestRarePreparer(const ScreenBook& book, int below, TestResult& out) {
  std::unordered_map<std::uint32_t, int> count;
  for (const ScreenVoucher& v : book.vouchers)
    if (v.preparer != 0) ++count[v.preparer];
  for (std::size_t v = 0; v < book.vouchers.size(); ++v) {
    const std::uint32_t who = book.vouchers[v].preparer;
    if (who == 0) continue;
    const int n = count[who];
    if (n < below)
      out.items.push_back(VoucherItem(
          book, TestId::kRarePreparer, static_cast<int>(v),
          fmt::format("制单人 {} 只制单 {} 张凭证（少于 {} 张）", book.Text(who), n, below)));
  }
}

void TestPeriodEnd(const ScreenBook& book, int year, int days, TestResult& out) {
  if (days <= 0) return;
  const long year_end = DayNumber({year, 12, 31});
  for (std::size_t v = 0; v < book.vouchers.size(); ++v) {
    const int date = book.vouchers[v].date;
    const long day = DayNumber(ToDate(date));
    if (day <= year_end && day > year_end - days) {
      out.items.push_back(VoucherItem(book, TestId::kPeriodEnd, static_cast<int>(v),
                                      fmt::format("{} 年末最后 {} 天内", year, days)));
    } else if (day > year_end && day <= year_end + days) {
      out.items.push_back(VoucherItem(book, TestId::kPeriodEnd, static_cast<int>(v),
                                      fmt::format("{} 年初 {} 天内（次年）", year + 1, days)));
    }
  }
}

void TestRarePair(const ScreenBook& book, int below, TestResult& out) {
  // The pairs of each voucher, once per voucher.
  std::vector<std::vector<std::pair<int, int>>> pairs(book.vouchers.size());
  std::map<std::pair<int, int>, int> uses;
  std::vector<int> debits, credits;
  for (std::size_t v = 0; v < book.vouchers.size(); ++v) {
    debits.clear();
    credits.clear();
    for (int i : book.vouchers[v].postings) {
      const ScreenPosting& p = book.postings[static_cast<std::size_t>(i)];
      if (p.account < 0) continue;
      const int first = book.accounts[static_cast<std::size_t>(p.account)].first_level;
      if (p.side == PostingSide::kDebit) debits.push_back(first);
      if (p.side == PostingSide::kCredit) credits.push_back(first);
    }
    std::sort(debits.begin(), debits.end());
    debits.erase(std::unique(debits.begin(), debits.end()), debits.end());
    std::sort(credits.begin(), credits.end());
    credits.erase(std::unique(credits.begin(), credits.end()), credits.end());
    for (int d : debits)
      for (int c : credits) pairs[v].emplace_back(d, c);
    for (const auto& pair : pairs[v]) ++uses[pair];
  }
  for (std::size_t v = 0; v < book.vouchers.size(); ++v) {
    std::string reason;
    for (const auto& pair : pairs[v]) {
      const int n = uses[pair];
      if (n >= below) continue;
      reason += fmt::format("{}借 {} 贷 {}（{} 张凭证）", reason.empty() ? "" : "；",
                            book.accounts[static_cast<std::size_t>(pair.first)].code,
                            book.accounts[static_cast<std::size_t>(pair.second)].code, n);
    }
    if (!reason.empty())
      out.items.push_back(
          VoucherItem(book, TestId::kRarePair, static_cast<int>(v), "少见的科目对应：" + reason));
  }
}

void TestReversal(const ScreenBook& book, TestResult& out) {
  // A voucher's multiset of (account, debit - credit) as a canonical text, and that of
  // its negation.
  std::unordered_map<std::string, std::vector<int>> open;  // multiset -> unpaired vouchers
  std::vector<std::pair<int, std::string>> entries, negation;
  std::string own, negated;
  const auto canonical = [](std::vector<std::pair<int, std::string>>& list, std::string& text) {
    std::sort(list.begin(), list.end());
    text.clear();
    for (const auto& [account, value] : list) {
      text += std::to_string(account);
      text += ':';
      text += value;
      text += ';';
    }
  };
  for (std::size_t v = 0; v < book.vouchers.size(); ++v) {
    entries.clear();
    negation.clear();
    for (int i : book.vouchers[v].postings) {
      const ScreenPosting& p = book.postings[static_cast<std::size_t>(i)];
      if (p.side == PostingSide::kNone) continue;
      const Amount value = p.debit - p.credit;
      entries.emplace_back(p.account, value.ToString());
      negation.emplace_back(p.account, (-value).ToString());
    }
    if (entries.empty()) continue;
    canonical(entries, own);
    canonical(negation, negated);
    auto it = open.find(negated);
    if (it != open.end() && !it->second.empty()) {
      const int a = it->second.back();
      it->second.pop_back();
      ScreenItem item = VoucherItem(book, TestId::kReversal, static_cast<int>(v), "");
      item.reverses = a;
      const ScreenVoucher& va = book.vouchers[static_cast<std::size_t>(a)];
      item.postings.insert(item.postings.end(), va.postings.begin(), va.postings.end());
      item.reason =
          fmt::format("冲销 {} 年 {} 月 {} 字 {} 号凭证", va.year, va.month, va.type, va.number);
      out.items.push_back(std::move(item));
    } else {
      open[own].push_back(static_cast<int>(v));
    }
  }
}

}  // namespace qoru::screening
