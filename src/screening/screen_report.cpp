#include "screening/screen_report.h"

#include <chrono>
#include <functional>

#include "screening/parallel_tasks.h"
#include "screening/screen_tests.h"

namespace qoru::screening {
namespace {

constexpr std::array<TestInfo, kTestCount> kTests = {{
    {TestId::kWeekendHoliday, "weekend-holiday", "节假日和周末记账", "凭证", true},
    {TestId::kRoundAmount, "round-amount", "整数金额", "分录", false},
    {TestId::kBenford, "benford", "本福特定律", "分录", false},
    {TestId::kApproval, "approval", "制单与审核", "凭证", true},
    {TestId::kRarePreparer, "rare-preparer", "少见制单人", "凭证", true},
    {TestId::kPeriodEnd, "period-end", "期末记账", "凭证", true},
    {TestId::kKeyword, "keyword", "摘要关键词", "分录", false},
    {TestId::kRarePair, "rare-pair", "少见科目对应", "凭证", true},
    {TestId::kLargeAmount, "large-amount", "大额分录", "分录", false},
    {TestId::kDuplicateEntry, "duplicate-entry", "重复分录", "组", false},
    {TestId::kReversal, "reversal", "冲销凭证", "凭证对", true},
    {TestId::kNegativeAmount, "negative-amount", "红字金额", "分录", false},
    {TestId::kBlankSummary, "blank-summary", "空摘要", "分录", false},
    {TestId::kSeldomUsedAccount, "seldom-used-account", "少用科目", "分录", false},
}};

enum class Needs { kVouchers, kAmounts, kAccounts, kSummary, kPreparer, kApprover };

// The reason why `book` cannot run a test that needs `needs`; empty when it can.
std::string Lacking(const ScreenBook& book, std::initializer_list<Needs> needs) {
  const ScreenColumns& c = book.columns;
  for (Needs n : needs) {
    switch (n) {
      case Needs::kVouchers:
        if (!c.date) return c.Why("date");
        if (!c.type) return c.Why("type");
        if (!c.number) return c.Why("number");
        break;
      case Needs::kAmounts:
        if (!c.debit) return c.Why("debit");
        if (!c.credit) return c.Why("credit");
        break;
      case Needs::kAccounts:
        if (!c.account) return c.Why("account");
        break;
      case Needs::kSummary:
        if (!c.summary) return c.Why("summary");
        break;
      case Needs::kPreparer:
        if (!c.preparer) return c.Why("preparer");
        break;
      case Needs::kApprover:
        if (!c.approver) return c.Why("approver");
        break;
    }
  }
  return {};
}

}  // namespace

const std::array<TestInfo, kTestCount>& AllTests() {
  return kTests;
}
std::uint32_t TestResult::AddReason(std::string text) {
  if (reasons.empty() || reasons.back() != text) reasons.push_back(std::move(text));
  return static_cast<std::uint32_t>(reasons.size() - 1);
}

void TestResult::Add(ScreenItem item, std::span<const int> item_postings) {
  item.first = static_cast<std::uint32_t>(postings.size());
  item.count = static_cast<std::uint32_t>(item_postings.size());
  postings.insert(postings.end(), item_postings.begin(), item_postings.end());
  items.push_back(item);
}

std::string_view AmountBasis(const TestInfo& info) {
  return info.by_voucher ? "借方合计" : "金额合计（绝对值）";
}

namespace {

// The listed postings of `r`, each once, and their amount.
void SumListed(const ScreenBook& book, TestResult& r) {
  std::vector<bool> seen(book.postings.size(), false);
  const bool by_voucher = Info(r.id).by_voucher;
  r.listed_postings = 0;
  r.amount = Amount();
  for (const int i : r.postings) {
    const auto at = static_cast<std::size_t>(i);
    if (seen[at]) continue;
    seen[at] = true;
    ++r.listed_postings;
    const ScreenPosting& p = book.postings[at];
    r.amount += by_voucher ? book.Debit(p) : book.AmountOf(p);
  }
}

}  // namespace

const TestInfo& Info(TestId id) {
  return kTests[static_cast<std::size_t>(id)];
}

std::vector<std::string> DefaultKeywords() {
  return {"调整", "冲销", "冲回", "红字", "更正",   "补记", "补提",
          "暂估", "转回", "错账", "差错", "重分类", "核销", "以前年度损益调整"};
}

ScreenReport::ScreenReport() {
  for (std::size_t i = 0; i < kTestCount; ++i) tests[i].id = kTests[i].id;
}

ScreenReport RunScreening(const ScreenBook& book, const ScreenParameters& parameters) {
  const auto start = std::chrono::steady_clock::now();
  ScreenReport report;
  report.parameters = parameters;
  report.postings = book.postings.size();
  report.vouchers = book.vouchers.size();

  using N = Needs;
  // The tests that can run, as tasks: each writes its own result only (the Benford
  // test also the figures), so they run on threads of their own.
  std::vector<std::function<void()>> tasks;
  const auto run = [&](TestId id, std::initializer_list<Needs> needs, auto&& test) {
    TestResult& r = report[id];
    std::string why = Lacking(book, needs);
    if (why.empty() && book.postings.empty()) why = "凭证表没有有效的分录";
    if (!why.empty()) {
      r.skipped = true;
      r.reason = std::move(why);
      return;
    }
    // The listed postings are counted and summed on the test's own thread.
    tasks.emplace_back([&r, &book, test] {
      test(r);
      SumListed(book, r);
    });
  };
  const ScreenParameters& p = parameters;
  // The longest first, so that the threads finish together.
  run(TestId::kReversal, {N::kVouchers, N::kAmounts, N::kAccounts},
      [&](TestResult& r) { TestReversal(book, r); });
  run(TestId::kDuplicateEntry, {N::kVouchers, N::kAmounts, N::kAccounts},
      [&](TestResult& r) { TestDuplicateEntry(book, p.duplicate_days, r); });
  run(TestId::kBenford, {N::kAmounts},
      [&](TestResult& r) { TestBenford(book, report.benford, r); });
  run(TestId::kRarePair, {N::kVouchers, N::kAmounts, N::kAccounts},
      [&](TestResult& r) { TestRarePair(book, p.rare_pair, r); });
  run(TestId::kLargeAmount, {N::kAmounts},
      [&](TestResult& r) { TestLargeAmount(book, p.materiality, r); });
  run(TestId::kWeekendHoliday, {N::kVouchers},
      [&](TestResult& r) { TestWeekendHoliday(book, p.calendar, r); });
  run(TestId::kRoundAmount, {N::kAmounts},
      [&](TestResult& r) { TestRoundAmount(book, p.round_unit, p.round_min, r); });
  run(TestId::kApproval, {N::kVouchers, N::kPreparer, N::kApprover},
      [&](TestResult& r) { TestApproval(book, r); });
  run(TestId::kRarePreparer, {N::kVouchers, N::kPreparer},
      [&](TestResult& r) { TestRarePreparer(book, p.rare_preparer, r); });
  run(TestId::kPeriodEnd, {N::kVouchers}, [&](TestResult& r) {
    if (!book.year) {
      r.skipped = true;
      r.reason = "账套年度未知（电子账簿表没有年度，余额表的会计年度也不唯一）";
      return;
    }
    TestPeriodEnd(book, *book.year, p.period_end_days, r);
  });
  run(TestId::kKeyword, {N::kAmounts, N::kSummary},
      [&](TestResult& r) { TestKeywords(book, p.keywords, r); });
  run(TestId::kNegativeAmount, {N::kAmounts}, [&](TestResult& r) { TestNegativeAmount(book, r); });
  run(TestId::kBlankSummary, {N::kAmounts, N::kSummary},
      [&](TestResult& r) { TestBlankSummary(book, r); });
  run(TestId::kSeldomUsedAccount, {N::kVouchers, N::kAmounts, N::kAccounts},
      [&](TestResult& r) { TestSeldomUsedAccount(book, p.seldom, r); });
  RunTasks(tasks);
  report.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return report;
}

}  // namespace qoru::screening
