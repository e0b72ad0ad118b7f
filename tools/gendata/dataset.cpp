// The random data set: a chart built from the standard top-level accounts with
// generated sub-accounts, archives of made-up departments, projects and partners,
// balanced vouchers over the leaf accounts, and balance rows.
#include "gendata/dataset.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "gendata/dataset_words.h"
#include "gendata/dataset_writer.h"
#include "gendata/rng.h"

namespace qoru::gen {
namespace {

using namespace words;  // NOLINT: the word lists read as the names they are

// Characters of a UTF-8 text.
std::size_t Characters(std::string_view utf8) {
  std::size_t n = 0;
  for (const char c : utf8) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
  return n;
}

struct Account {
  std::string code;
  std::string name;
  bool credit = false;
  int parent = -1;               // index in the chart, -1 for a top-level account
  std::vector<int> children;     // indexes in the chart
  std::vector<std::size_t> aux;  // auxiliary item types, in the order the account lists them
  bool omitted = false;
};

Account TopLevel(std::string code, std::string name, bool credit) {
  Account a;
  a.code = std::move(code);
  a.name = std::move(name);
  a.credit = credit;
  return a;
}

struct Archive {
  std::vector<std::string> codes;  // usable codes, without blanks
};

std::vector<std::string_view> SubAccountNames(char account_class) {
  switch (account_class) {
    case '1':
      return {std::begin(kAssetNames), std::end(kAssetNames)};
    case '2':
      return {std::begin(kLiabilityNames), std::end(kLiabilityNames)};
    case '4':
      return {std::begin(kEquityNames), std::end(kEquityNames)};
    case '5':
      return {std::begin(kCostNames), std::end(kCostNames)};
    default:
      return {std::begin(kProfitNames), std::end(kProfitNames)};
  }
}

std::string Padded(std::uint64_t number, int width) {
  std::string digits = std::to_string(number);
  if (static_cast<int>(digits.size()) < width) digits.insert(0, width - digits.size(), '0');
  return digits;
}

// Name of archive row `i` of a type; types other than the three known ones get
// their name and a number.
std::string ArchiveName(const AuxTypeSpec& type, int i, Rng& rng) {
  auto numbered = [i](const auto& pool, std::string_view suffix) {
    const std::size_t n = std::size(pool);
    std::string name(pool[i % n]);
    if (i >= static_cast<int>(n)) name += std::to_string(i / n + 1);
    return name + std::string(suffix);
  };
  if (type.name == "部门") return numbered(kDepartments, "");
  if (type.name == "项目") return numbered(kProjectHeads, "项目");
  if (type.name == "往来单位") {
    return std::string(rng.Pick(kCities)) + std::string(rng.Pick(kBrandWords)) +
           std::string(rng.Pick(kTrades)) + "有限公司";
  }
  return type.name + Padded(i + 1, 3);
}

std::vector<Archive> WriteArchives(DatasetWriter& out, const DatasetOptions& o, Rng& rng) {
  std::vector<Archive> archives;
  for (std::size_t t = 0; t < o.aux_types.size(); ++t) {
    const AuxTypeSpec& type = o.aux_types[t];
    Archive a;
    for (int i = 0; i < type.rows; ++i) {
      a.codes.push_back(type.code_prefix + Padded(i + 1, type.code_width));
      out.ArchiveRow(t, a.codes.back(), ArchiveName(type, i, rng));
    }
    if (o.irregular_archives) {
      const std::string next = type.code_prefix + Padded(type.rows + 1, type.code_width);
      out.ArchiveRow(t, " " + next + " ", ArchiveName(type, type.rows, rng));
      if (!a.codes.empty())
        out.ArchiveRow(t, a.codes.front(), ArchiveName(type, 1, rng) + "（重复）");
      out.ArchiveRow(t, "   ", "未分类");
    }
    archives.push_back(std::move(a));
  }
  return archives;
}

// Picks `count` distinct indexes below `n` in random order.
std::vector<std::size_t> Distinct(std::size_t count, std::size_t n, Rng& rng) {
  std::vector<std::size_t> all(n);
  for (std::size_t i = 0; i < n; ++i) all[i] = i;
  for (std::size_t i = 0; i < count && i < n; ++i) std::swap(all[i], all[i + rng.Below(n - i)]);
  all.resize(std::min(count, n));
  return all;
}

std::vector<Account> BuildChart(const DatasetOptions& o, Rng& rng) {
  std::vector<Account> chart;
  const int standard = static_cast<int>(std::size(kStandardChart));
  const int tops = std::max(o.top_accounts, 0);
  // The core accounts that every book set has, a random choice of the others, then
  // made-up codes; written in code order later.
  std::vector<std::size_t> picked, others;
  for (std::size_t i = 0; i < std::size(kStandardChart); ++i)
    (kStandardChart[i].core ? picked : others).push_back(i);
  picked.resize(std::min<std::size_t>(picked.size(), tops));
  for (std::size_t k : Distinct(std::min(tops, standard) - picked.size(), others.size(), rng))
    picked.push_back(others[k]);
  for (std::size_t i : picked) {
    const TopAccount& t = kStandardChart[i];
    chart.push_back(TopLevel(t.code, t.name, t.credit));
  }
  for (int i = standard; i < tops; ++i) {
    const int code = 7000 + (i - standard);
    if (code > 9999) break;
    chart.push_back(
        TopLevel(std::to_string(code), "备用科目" + std::to_string(code), rng.Percent(50)));
  }
  const int depth = std::clamp(o.depth, 1, 5);
  for (std::size_t i = 0; i < chart.size(); ++i) {
    const int level = static_cast<int>(chart[i].code.size() - 4) / 2 + 1;
    if (level >= depth) continue;
    const std::size_t n =
        rng.Below(static_cast<std::uint64_t>(std::clamp(o.max_children, 0, 99)) + 1);
    const std::vector<std::string_view> names = SubAccountNames(chart[i].code[0]);
    for (std::size_t k : Distinct(n, names.size(), rng)) {
      Account child;
      child.code = chart[i].code + Padded(chart[i].children.size() + 1, 2);
      child.name = std::string(names[k]);
      child.credit = rng.Percent(8) ? !chart[i].credit : chart[i].credit;
      child.parent = static_cast<int>(i);
      chart[i].children.push_back(static_cast<int>(chart.size()));
      chart.push_back(std::move(child));
    }
  }
  return chart;
}

// Gives leaf accounts auxiliary item types; only types whose archive has codes.
void AssignAuxTypes(std::vector<Account>& chart, const std::vector<Archive>& archives, Rng& rng) {
  std::vector<std::size_t> usable;
  for (std::size_t t = 0; t < archives.size(); ++t)
    if (!archives[t].codes.empty()) usable.push_back(t);
  if (usable.empty()) return;
  for (Account& a : chart) {
    if (!a.children.empty() || !rng.Percent(40)) continue;
    const std::size_t n = 1 + rng.Below(std::min<std::size_t>(usable.size(), 5));
    for (std::size_t k : Distinct(n, usable.size(), rng)) a.aux.push_back(usable[k]);
  }
}

// Leaves parents out: about one in five accounts with children, and, where the chart
// is deep enough, one 6-digit account and its 4-digit parent, whose children then
// get both balance directions.
std::size_t OmitParents(std::vector<Account>& chart, Rng& rng) {
  for (Account& a : chart)
    if (!a.children.empty() && rng.Percent(20)) a.omitted = true;
  for (Account& a : chart) {
    if (a.code.size() != 6 || a.children.empty()) continue;
    a.omitted = true;
    chart[a.parent].omitted = true;
    if (a.children.size() >= 2) chart[a.children[1]].credit = !chart[a.children[0]].credit;
    break;
  }
  return static_cast<std::size_t>(
      std::count_if(chart.begin(), chart.end(), [](const Account& a) { return a.omitted; }));
}

std::string JoinAuxTypes(const Account& a, const std::vector<AuxTypeSpec>& types) {
  std::string text;
  for (std::size_t t : a.aux) {
    if (!text.empty()) text += '/';
    text += types[t].name;
  }
  return text;
}

// The 辅助核算组 of a row of account `a`: its codes joined by "/", or with irregular
// groups now and then only the first codes, the first codes and a trailing "/", or
// blanks. Accounts without types get an empty group, sometimes spaces.
std::string AuxGroup(const Account& a, const std::vector<Archive>& archives, bool irregular,
                     Rng& rng) {
  const std::size_t n = a.aux.size();
  if (n == 0) return irregular && rng.Percent(5) ? "  " : "";
  std::size_t used = n;
  bool trailing = false;
  if (irregular) {
    const auto roll = rng.Below(100);
    if (roll < 10) return rng.Percent(50) ? "" : "   ";
    if (n >= 2 && roll < 25) used = 1 + rng.Below(n - 1);
    if (n >= 2 && roll >= 25 && roll < 35) {
      used = 1 + rng.Below(n - 1);
      trailing = true;
    }
  }
  std::string group;
  for (std::size_t i = 0; i < used; ++i) {
    if (i != 0) group += '/';
    group += rng.Pick(archives[a.aux[i]].codes);
  }
  if (trailing) group += '/';
  return group;
}

// An amount in cents, mostly small, now and then large.
std::int64_t RandomCents(Rng& rng) {
  const auto roll = rng.Below(100);
  if (roll < 60) return rng.Between(100, 500000);
  if (roll < 95) return rng.Between(500000, 20000000);
  return rng.Between(20000000, 500000000);
}

std::string Amount(std::int64_t cents, const DatasetOptions& o, Rng& rng) {
  return FormatAmount(cents, o.commas_and_quotes && cents >= 100000 && rng.Percent(20));
}

void WritePostings(DatasetWriter& out, const DatasetOptions& o, const std::vector<Account>& chart,
                   const std::vector<int>& leaves, const std::vector<Archive>& archives, Rng& rng) {
  const int total = std::max(o.postings, 0);
  const int vouchers_guess = std::max(total / 4, 1);
  int written = 0;
  for (int number = 1; written < total; ++number) {
    int lines = 2 + static_cast<int>(rng.Below(4));
    if (total - written - lines < 2) lines = total - written;  // no one-line voucher at the end
    const int day = 1 + std::min(27, (number - 1) * 28 / vouchers_guess);
    char date[40];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", o.year, o.month, day);
    const std::string number_text = std::to_string(number);
    const std::string_view currency =
        o.other_currencies && rng.Percent(8) ? rng.Pick(kCurrencies) : kRenminbi;
    const std::string_view void_flag = o.void_postings && rng.Percent(5) ? "1" : "0";
    const std::string_view maker = rng.Pick(kMakers);
    std::string summary(rng.Pick(kSummaries));
    if (o.commas_and_quotes && rng.Percent(10)) summary = rng.Pick(kOddSummaries);
    // A wide row's further columns (drawn only then, so that other book sets stay as
    // they were).
    std::string_view checker, settlement;
    std::string attachments, settlement_no;
    if (o.wide_rows) {
      // Forty to eighty characters: the summary, then the details a long one carries.
      const std::size_t target = 40 + rng.Below(41);
      while (Characters(summary) < target)
        summary += std::string("，") + std::string(rng.Pick(kSummaries));
      checker = rng.Pick(kMakers);
      settlement = rng.Pick(kSettlements);
      attachments = std::to_string(rng.Below(9));
      settlement_no = std::to_string(100000 + rng.Below(900000));
    }

    // The first `debits` lines are debits with random amounts; the credits split their sum.
    const int debits = lines == 1 ? 1 : 1 + static_cast<int>(rng.Below(lines - 1));
    std::vector<std::int64_t> amounts(lines);
    std::int64_t sum = 0;
    for (int i = 0; i < debits; ++i) sum += amounts[i] = RandomCents(rng);
    std::int64_t left = sum;
    for (int i = debits; i < lines; ++i) {
      const int credits_after = lines - i - 1;
      amounts[i] =
          credits_after == 0 ? left : std::max<std::int64_t>(1, left * (1 + rng.Below(60)) / 100);
      left -= amounts[i];
    }
    for (int i = 0; i < lines; ++i) {
      const Account& a = chart[leaves[rng.Below(leaves.size())]];
      const std::string amount = Amount(amounts[i], o, rng);
      const std::string zero = FormatAmount(0);
      const std::string group = AuxGroup(a, archives, o.irregular_aux_groups, rng);
      const bool debit = i < debits;
      const PostingRow row{date,
                           "记",
                           number_text,
                           summary,
                           a.code,
                           currency,
                           debit ? amount : zero,
                           debit ? zero : amount,
                           void_flag,
                           group,
                           maker};
      if (o.wide_rows) {
        const bool foreign = currency != kRenminbi;
        const PostingExtra extra{checker,
                                 maker,
                                 checker,
                                 attachments,
                                 settlement,
                                 settlement_no,
                                 date,
                                 foreign ? amount : zero,
                                 foreign ? "6.8500" : "1.0000"};
        out.Posting(row, &extra);
      } else {
        out.Posting(row);
      }
    }
    written += lines;
  }
}

void WriteBalances(DatasetWriter& out, const DatasetOptions& o, const std::vector<Account>& chart,
                   const std::vector<int>& leaves, const std::vector<int>& accounts,
                   const std::vector<Archive>& archives, Rng& rng) {
  for (int i = 0; i < o.balances; ++i) {
    const int index =
        rng.Percent(80) ? leaves[rng.Below(leaves.size())] : accounts[rng.Below(accounts.size())];
    const Account& a = chart[index];
    const std::string_view currency =
        o.other_currencies && rng.Percent(10) ? rng.Pick(kCurrencies) : kRenminbi;
    const std::int64_t opening = rng.Percent(20) ? 0 : RandomCents(rng);
    const std::int64_t debit = rng.Percent(30) ? 0 : RandomCents(rng);
    const std::int64_t credit = rng.Percent(30) ? 0 : RandomCents(rng);
    const std::int64_t closing = a.credit ? opening + credit - debit : opening + debit - credit;
    out.Balance({a.code, currency, Amount(opening, o, rng), Amount(debit, o, rng),
                 Amount(credit, o, rng), Amount(closing, o, rng),
                 AuxGroup(a, archives, o.irregular_aux_groups, rng)});
  }
}

}  // namespace

std::vector<AuxTypeSpec> DefaultAuxTypes() {
  return {{"部门", "BMDA.txt", 12, "", 2},
          {"项目", "XMDA.txt", 20, "P", 3},
          {"往来单位", "WLDW.txt", 40, "W", 4}};
}

DatasetSummary WriteDataset(const std::string& dir, const DatasetOptions& options) {
  Rng rng(options.seed);
  DatasetWriter out(dir, options.aux_types, options.wide_rows);
  const std::vector<Archive> archives = WriteArchives(out, options, rng);
  std::vector<Account> chart = BuildChart(options, rng);
  AssignAuxTypes(chart, archives, rng);
  const std::size_t omitted = options.omit_parents ? OmitParents(chart, rng) : 0;

  // The chart is written in code order, as the ERP exports it.
  std::vector<int> order(chart.size());
  for (std::size_t i = 0; i < chart.size(); ++i) order[i] = static_cast<int>(i);
  std::sort(order.begin(), order.end(),
            [&chart](int x, int y) { return chart[x].code < chart[y].code; });
  std::vector<int> accounts, leaves;  // written accounts; those without children
  for (int i : order) {
    const Account& a = chart[i];
    if (a.omitted) continue;
    out.Account({a.code, a.name, a.credit ? "贷" : "借", JoinAuxTypes(a, options.aux_types)});
    accounts.push_back(i);
    if (a.children.empty()) leaves.push_back(i);
  }
  if (!leaves.empty()) {
    WritePostings(out, options, chart, leaves, archives, rng);
    WriteBalances(out, options, chart, leaves, accounts, archives, rng);
  }
  DatasetSummary summary = out.Finish();
  summary.omitted_accounts = omitted;
  return summary;
}

void EnableIrregularities(DatasetOptions& options) {
  options.omit_parents = true;
  options.other_currencies = true;
  options.void_postings = true;
  options.irregular_aux_groups = true;
  options.irregular_archives = true;
}

}  // namespace qoru::gen
