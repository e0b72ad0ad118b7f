#include "sampling/population.h"

#include <algorithm>

#include "checks/values/book_text.h"

namespace qoru::sampling {
namespace {

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// The accounts of the book that the request takes in, by account index: with a chart,
// the given accounts and their children as the chart links them (an account the chart
// does not hold, or holds without a parent, is no one's child).
std::vector<bool> TakenAccounts(const SampleBook& book, const std::vector<std::string>& keys) {
  std::vector<bool> taken(book.accounts.size(), keys.empty());
  if (keys.empty()) return taken;
  for (std::size_t i = 0; i < book.accounts.size(); ++i)
    taken[i] = book.UnderAny(book.accounts[i].key, keys);
  return taken;
}

// Checks each given code against the chart (its own rows); without a chart, against the
// accounts the book set uses, by prefix.
std::vector<std::string> GivenKeys(const SampleBook& book, const std::vector<std::string>& given) {
  const bool chart = !book.chart.empty();
  std::vector<std::string> used;
  if (!chart)
    for (const SampleAccount& a : book.accounts) used.push_back(a.key);
  std::sort(used.begin(), used.end());
  std::vector<std::string> keys;
  for (const std::string& code : given) {
    const std::string key = checks::AccountKey(code);
    const std::string shown(checks::TrimBlanks(code));
    if (chart) {
      if (key.empty() || book.ChartAccount(key) == nullptr) {
        // A parent missing from the chart's file (the conversion's completion adds it
        // as 系统生成): its sub-accounts are no one's children, so name them.
        std::string under;
        int listed = 0;
        for (const SampleAccount& a : book.chart)
          if (!key.empty() && StartsWith(a.key, key) && a.parent_key.empty() && listed < 5) {
            under += (listed++ == 0 ? "" : "、") + a.code;
          }
        throw PopulationError(
            "科目 " + shown + " 不在科目表中" +
            (under.empty()
                 ? "：请用科目表中的科目编号（--account），例如一级科目 1122"
                 : "（科目表中没有这一科目，转换时补全的上级科目不算；它的下级科目因此没有上级，"
                   "不属于任何上级科目）：请分别给出科目表中的这些科目，例如 " +
                       under));
      }
    } else {
      const auto it = std::lower_bound(used.begin(), used.end(), key);
      if (key.empty() || it == used.end() || !StartsWith(*it, key))
        throw PopulationError("科目 " + shown +
                              " 在账套中没有记录：请用凭证或余额中的科目编号（--account），"
                              "例如一级科目 1122");
    }
    keys.push_back(key);
  }
  return keys;
}

void AddItem(Population& p, const Amount& amount, int ref) {
  if (amount.units() == 0) {
    ++p.zero_items;
  } else if (amount.units() < 0) {
    ++p.negative_items;
    p.negative_total += amount;
  } else {
    PopulationItem item;
    item.ref = ref;
    if (amount.units() <= INT64_MAX) {
      item.units = static_cast<std::int64_t>(amount.units());
      item.scale = static_cast<std::int8_t>(amount.scale());
    } else {
      item.units = static_cast<std::int64_t>(p.wide_amounts.size());
      item.scale = kWideAmount;
      p.wide_amounts.push_back(amount);
    }
    p.items.push_back(item);
    p.scale = std::max(p.scale, amount.scale());
  }
}

}  // namespace

Population BuildPopulation(const SampleBook& book, const PopulationRequest& request) {
  Population p;
  p.request = request;
  for (const std::string& code : request.accounts)
    p.accounts.emplace_back(checks::TrimBlanks(code));
  if (!request.accounts.empty() && request.unit != Unit::kBalance && !book.has_account)
    throw PopulationError("凭证表 " + book.postings_table +
                          " 没有科目编号列，无法按科目（--account）抽样");
  const std::vector<bool> taken = TakenAccounts(book, GivenKeys(book, request.accounts));
  p.items.reserve(request.unit == Unit::kBalance   ? book.balances.size()
                  : request.unit == Unit::kVoucher ? book.vouchers.size()
                                                   : book.postings.size());
  const auto posting_taken = [&](const SamplePosting& s) {
    return s.account < 0 ? request.accounts.empty() : taken[static_cast<std::size_t>(s.account)];
  };

  // Postings kept through a filter are those of the accounts above 0: the others were
  // counted as they were read.
  if (request.unit == Unit::kPosting && book.left_out) {
    p.zero_items = book.left_out->zero;
    p.negative_items = book.left_out->negative;
    p.negative_total = book.left_out->negative_total;
  }
  switch (request.unit) {
    case Unit::kPosting:
      if (book.has_vouchers) {
        for (const SampleVoucher& v : book.vouchers)
          for (int i : book.Postings(v))
            if (posting_taken(book.postings[static_cast<std::size_t>(i)]))
              AddItem(p, book.AmountOf(book.postings[static_cast<std::size_t>(i)]), i);
      } else {
        for (std::size_t i = 0; i < book.postings.size(); ++i)
          if (posting_taken(book.postings[i]))
            AddItem(p, book.AmountOf(book.postings[i]), static_cast<int>(i));
      }
      break;
    case Unit::kVoucher: {
      if (!book.has_vouchers)
        throw PopulationError("凭证表 " + book.postings_table +
                              " 没有凭证类型或凭证号列，无法按凭证抽样：请用 --unit posting，"
                              "或用 --column 指定这些列");
      p.counted_postings.assign(book.postings.size(), false);
      for (std::size_t v = 0; v < book.vouchers.size(); ++v) {
        Amount sum;
        bool any = false;
        for (int i : book.Postings(book.vouchers[v])) {
          const SamplePosting& s = book.postings[static_cast<std::size_t>(i)];
          if (!posting_taken(s)) continue;
          sum += book.AmountOf(s);
          any = true;
          p.counted_postings[static_cast<std::size_t>(i)] = true;
        }
        if (any) AddItem(p, sum, static_cast<int>(v));
      }
      break;
    }
    case Unit::kBalance: {
      // The balances of the accounts taken, without those of parents whose
      // sub-accounts have balances.
      std::vector<std::string> keys;
      for (const BalanceEntry& e : book.balances)
        if (taken[static_cast<std::size_t>(e.account)])
          keys.push_back(book.accounts[static_cast<std::size_t>(e.account)].key);
      std::sort(keys.begin(), keys.end());
      keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
      // An account is a parent here when another account with a balance lies under it:
      // its ancestors in the chart (without a chart, its shorter prefixes).
      std::vector<std::string> above;
      for (const std::string& key : keys) {
        if (book.chart.empty()) {
          for (std::size_t n = 1; n < key.size(); ++n) above.push_back(key.substr(0, n));
          continue;
        }
        const SampleAccount* a = book.ChartAccount(key);
        for (const SampleAccount* p = a ? book.Parent(*a) : nullptr; p; p = book.Parent(*p))
          above.push_back(p->key);
      }
      std::sort(above.begin(), above.end());
      const auto parent = [&](const std::string& key) {
        return std::binary_search(above.begin(), above.end(), key);
      };
      std::vector<int> order;
      for (std::size_t i = 0; i < book.balances.size(); ++i) {
        const BalanceEntry& e = book.balances[i];
        const SampleAccount& a = book.accounts[static_cast<std::size_t>(e.account)];
        if (taken[static_cast<std::size_t>(e.account)] && !parent(a.key))
          order.push_back(static_cast<int>(i));
      }
      std::sort(order.begin(), order.end(), [&](int x, int y) {
        const BalanceEntry& a = book.balances[static_cast<std::size_t>(x)];
        const BalanceEntry& b = book.balances[static_cast<std::size_t>(y)];
        const std::string& ca = book.accounts[static_cast<std::size_t>(a.account)].code;
        const std::string& cb = book.accounts[static_cast<std::size_t>(b.account)].code;
        if (const int c = ca.compare(cb); c != 0) return c < 0;
        return a.aux < b.aux;
      });
      for (int i : order) {
        const Amount& b = book.balances[static_cast<std::size_t>(i)].balance;
        AddItem(p, b.units() < 0 ? -b : b, i);
      }
      break;
    }
  }
  for (std::size_t i = 0; i < p.items.size(); ++i)
    if (__builtin_add_overflow(p.total, p.Units(i), &p.total))
      throw checks::AmountOverflow("总体金额超出可计算的范围");
  return p;
}

}  // namespace qoru::sampling
