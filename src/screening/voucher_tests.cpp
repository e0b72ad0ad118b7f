#include <algorithm>
#include <map>
#include <set>
#include <span>
#include <string_view>
#include <unordered_map>

#include <fmt/format.h>

#include "checks/values/book_text.h"
#include "screening/calendar/holiday_calendar.h"
#include "screening/screen_tests.h"

namespace qoru::screening {
namespace {

checks::CalendarDate ToDate(int d) {
  return {DateYear(d), DateMonth(d), DateDay(d)};
}

void AddVoucherItem(const ScreenBook& book, TestId test, int v, std::uint32_t reason,
                    TestResult& out) {
  out.Add(VoucherItem(book, test, v, reason),
          book.Postings(book.vouchers[static_cast<std::size_t>(v)]));
}

void AddVoucherItem(const ScreenBook& book, TestId test, int v, std::string reason,
                    TestResult& out) {
  AddVoucherItem(book, test, v, out.AddReason(std::move(reason)), out);
}

// The ids of reasons that many items share, each text added once.
class SharedReasons {
 public:
  explicit SharedReasons(TestResult& out) : out_(out) {}
  std::uint32_t operator()(std::string_view text) {
    auto it = ids_.find(text);
    if (it == ids_.end())
      it = ids_.emplace(std::string(text), out_.AddReason(std::string(text))).first;
    return it->second;
  }

 private:
  TestResult& out_;
  std::map<std::string, std::uint32_t, std::less<>> ids_;
};

}  // namespace

ScreenItem VoucherItem(const ScreenBook& book, TestId test, int v, std::uint32_t reason) {
  ScreenItem item;
  item.test = test;
  item.voucher = v;
  item.date = book.vouchers[static_cast<std::size_t>(v)].date;
  item.reason = reason;
  return item;
}

void TestWeekendHoliday(const ScreenBook& book, const HolidayCalendar& calendar, TestResult& out) {
  std::set<int> uncovered;
  SharedReasons reasons(out);
  for (std::size_t v = 0; v < book.vouchers.size(); ++v) {
    const int date = book.vouchers[v].date;
    if (!calendar.Covers(DateYear(date))) uncovered.insert(DateYear(date));
    const RestDay day = calendar.Classify(ToDate(date));
    if (day.rest)
      AddVoucherItem(book, TestId::kWeekendHoliday, static_cast<int>(v), reasons(day.reason), out);
  }
  if (!uncovered.empty()) {
    std::string years;
    for (int y : uncovered) years += (years.empty() ? "" : "、") + std::to_string(y);
    out.reason = calendar.files().empty()
                     ? fmt::format("节假日表只有 {} 至 {} 年；{} 年只按周六、周日判断",
                                   kHolidayFirstYear, kHolidayLastYear, years)
                     : fmt::format(
                           "节假日表（{} 至 {} 年）和日历文件都没有 {} 年；这些年只按周六、"
                           "周日判断",
                           kHolidayFirstYear, kHolidayLastYear, years);
  }
}

void TestApproval(const ScreenBook& book, TestResult& out) {
  SharedReasons reasons(out);
  for (std::size_t v = 0; v < book.vouchers.size(); ++v) {
    const ScreenVoucher& voucher = book.vouchers[v];
    if (voucher.approver == 0) {
      AddVoucherItem(book, TestId::kApproval, static_cast<int>(v), reasons("未审核"), out);
    } else if (voucher.preparer != 0 && voucher.preparer == voucher.approver) {
      AddVoucherItem(book, TestId::kApproval, static_cast<int>(v), reasons("制单人与审核人相同"),
                     out);
    }
  }
}

void TestRarePreparer(const ScreenBook& book, int below, TestResult& out) {
  std::unordered_map<std::uint32_t, int> count;
  for (const ScreenVoucher& v : book.vouchers)
    if (v.preparer != 0) ++count[v.preparer];
  SharedReasons reasons(out);
  for (std::size_t v = 0; v < book.vouchers.size(); ++v) {
    const std::uint32_t who = book.vouchers[v].preparer;
    if (who == 0) continue;
    const int n = count[who];
    if (n < below)
      AddVoucherItem(book, TestId::kRarePreparer, static_cast<int>(v),
                     reasons(fmt::format("制单人 {} 只制单 {} 张凭证（少于 {} 张）", book.Text(who),
                                         n, below)),
                     out);
  }
}

void TestPeriodEnd(const ScreenBook& book, int year, int days, TestResult& out) {
  if (days <= 0) return;
  const long year_end = DayNumber({year, 12, 31});
  SharedReasons reasons(out);
  for (std::size_t v = 0; v < book.vouchers.size(); ++v) {
    const int date = book.vouchers[v].date;
    const long day = DayNumber(ToDate(date));
    if (day <= year_end && day > year_end - days) {
      AddVoucherItem(book, TestId::kPeriodEnd, static_cast<int>(v),
                     reasons(fmt::format("{} 年末最后 {} 天内", year, days)), out);
    } else if (day > year_end && day <= year_end + days) {
      AddVoucherItem(book, TestId::kPeriodEnd, static_cast<int>(v),
                     reasons(fmt::format("{} 年初 {} 天内（次年）", year + 1, days)), out);
    }
  }
}

void TestRarePair(const ScreenBook& book, int below, TestResult& out) {
  // The pairs of each voucher, once per voucher, in one list: (first-level debit,
  // first-level credit), the accounts by their rank among the first-level accounts
  // met, which are few: the pairs are counted in a table of ranks by ranks.
  std::vector<int> rank(book.accounts.size(), -1);
  std::vector<int> ranked;  // account by rank
  std::vector<std::pair<int, int>> pairs;
  std::vector<std::size_t> begin(book.vouchers.size() + 1, 0);
  std::vector<int> debits, credits;
  for (std::size_t v = 0; v < book.vouchers.size(); ++v) {
    book.PrefetchPostings(v + kPrefetchVouchers);
    debits.clear();
    credits.clear();
    for (int i : book.Postings(book.vouchers[v])) {
      const ScreenPosting& p = book.postings[static_cast<std::size_t>(i)];
      if (p.account < 0 || p.side == PostingSide::kNone) continue;
      const auto first =
          static_cast<std::size_t>(book.accounts[static_cast<std::size_t>(p.account)].first_level);
      if (rank[first] < 0) {
        rank[first] = static_cast<int>(ranked.size());
        ranked.push_back(static_cast<int>(first));
      }
      (p.side == PostingSide::kDebit ? debits : credits).push_back(static_cast<int>(first));
    }
    std::sort(debits.begin(), debits.end());
    debits.erase(std::unique(debits.begin(), debits.end()), debits.end());
    std::sort(credits.begin(), credits.end());
    credits.erase(std::unique(credits.begin(), credits.end()), credits.end());
    for (int d : debits)
      for (int c : credits)
        pairs.emplace_back(rank[static_cast<std::size_t>(d)], rank[static_cast<std::size_t>(c)]);
    begin[v + 1] = pairs.size();
  }
  const std::size_t n = ranked.size();
  std::vector<int> dense;
  std::unordered_map<std::uint64_t, int> sparse;  // past 4096 first-level accounts
  const auto key = [](const std::pair<int, int>& pair) {
    return static_cast<std::uint64_t>(pair.first) << 32 | static_cast<std::uint32_t>(pair.second);
  };
  if (n <= 4096) {
    dense.assign(n * n, 0);
    for (const auto& [d, c] : pairs)
      ++dense[static_cast<std::size_t>(d) * n + static_cast<std::size_t>(c)];
  } else {
    for (const auto& pair : pairs) ++sparse[key(pair)];
  }
  const auto uses = [&](const std::pair<int, int>& pair) {
    return n <= 4096 ? dense[static_cast<std::size_t>(pair.first) * n +
                             static_cast<std::size_t>(pair.second)]
                     : sparse[key(pair)];
  };
  for (std::size_t v = 0; v < book.vouchers.size(); ++v) {
    std::string reason;
    for (std::size_t k = begin[v]; k < begin[v + 1]; ++k) {
      const int count = uses(pairs[k]);
      if (count >= below) continue;
      const auto d = static_cast<std::size_t>(ranked[static_cast<std::size_t>(pairs[k].first)]);
      const auto c = static_cast<std::size_t>(ranked[static_cast<std::size_t>(pairs[k].second)]);
      reason += fmt::format("{}借 {} 贷 {}（{} 张凭证）", reason.empty() ? "" : "；",
                            book.accounts[d].code, book.accounts[c].code, count);
    }
    if (!reason.empty())
      AddVoucherItem(book, TestId::kRarePair, static_cast<int>(v), "少见的科目对应：" + reason,
                     out);
  }
}

}  // namespace qoru::screening
