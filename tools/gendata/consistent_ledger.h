// The ledger behind the consistent book set (consistent_books.h): the chart, the
// opening balances, the vouchers and the balance rows it writes, and where it plants
// each kind of fault. Only consistent_books.cpp and consistent_vouchers.cpp use it.
#pragma once

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "gendata/consistent_books.h"
#include "gendata/dataset_writer.h"
#include "gendata/rng.h"

namespace qoru::gen::ledger {

using Money = __int128;  // in units of 0.0001
constexpr Money kCent = 100;
constexpr Money kYuan = 10000;

constexpr const char* kChart = "KJKM.txt";
constexpr const char* kBalances = "KMYE.txt";
constexpr const char* kPostings = "JZPZ.txt";
constexpr const char* kArchive = "BMDA.txt";
constexpr const char* kBook = "DZZB.txt";
constexpr const char* kUnknownCode = "9999";

struct TopAccount {
  const char* code;
  const char* name;
  bool credit;         // balance direction 贷
  bool balance_sheet;  // has an opening balance
};

// The first two give every chart both sides; a chart takes the first `top_accounts`.
constexpr TopAccount kTops[] = {
    {"1001", "库存现金", false, true},      {"4001", "实收资本", true, true},
    {"1002", "银行存款", false, true},      {"6001", "主营业务收入", true, false},
    {"6602", "管理费用", false, false},     {"2202", "应付账款", true, true},
    {"1122", "应收账款", false, true},      {"2221", "应交税费", true, true},
    {"6401", "主营业务成本", false, false}, {"1221", "其他应收款", false, true},
    {"1403", "原材料", false, true},        {"1405", "库存商品", false, true},
    {"1601", "固定资产", false, true},      {"1602", "累计折旧", true, true},
    {"2001", "短期借款", true, true},       {"2211", "应付职工薪酬", true, true},
    {"4103", "本年利润", true, true},       {"6301", "营业外收入", true, false},
    {"6603", "财务费用", false, false},     {"6711", "营业外支出", false, false},
};
constexpr std::string_view kDetailWords[] = {"华东", "华南", "华北", "西南", "甲类",
                                             "乙类", "丙类", "丁类", "一部", "二部"};
constexpr std::string_view kDepartments[] = {"财务部", "销售部", "采购部",     "生产部",
                                             "技术部", "行政部", "人力资源部", "仓储部"};
constexpr std::string_view kLedgerSummaries[] = {
    "提取备用金", "报销差旅费", "支付货款",   "收到货款", "采购原材料", "销售商品",
    "计提工资",   "发放工资",   "支付水电费", "计提折旧", "结转成本",   "缴纳税费"};
constexpr std::string_view kLedgerMakers[] = {"张敏", "李伟", "王芳"};

inline std::string MoneyText(Money m) {
  const bool negative = m < 0;
  unsigned __int128 magnitude =
      negative ? static_cast<unsigned __int128>(0) - static_cast<unsigned __int128>(m)
               : static_cast<unsigned __int128>(m);
  const auto fraction = static_cast<unsigned>(magnitude % kYuan);
  magnitude /= kYuan;
  std::string whole;
  do {
    whole.insert(whole.begin(), static_cast<char>('0' + static_cast<int>(magnitude % 10)));
    magnitude /= 10;
  } while (magnitude != 0);
  char decimals[8];
  if (fraction % 100 == 0)
    std::snprintf(decimals, sizeof decimals, "%02u", fraction / 100);
  else
    std::snprintf(decimals, sizeof decimals, "%04u", fraction);
  return (negative ? "-" : "") + whole + "." + decimals;
}

struct Acct {
  std::string code;
  std::string name;
  bool credit = false;
  bool balance_sheet = false;
  int parent = -1;
  std::vector<int> children;
  bool aux = false;  // kept by 部门
  bool omitted = false;
  Money opening = 0, debit = 0, credit_sum = 0;          // parents: their children's sums
  std::map<int, std::pair<Money, Money>> by_department;  // aux leaves: debit, credit
  bool aux_only = false;                                // by month: auxiliary rows and no total row
  std::array<Money, 13> month_debit{}, month_credit{};  // by month of the date, 1 to 12
  std::map<int, std::array<std::pair<Money, Money>, 13>> department_months;

  bool leaf() const { return children.empty(); }
  Money Closing(Money o, Money d, Money c) const { return credit ? o - d + c : o + d - c; }
};

struct Line {
  int account;  // chart index, -1 for kUnknownCode
  Money debit = 0, credit = 0;
  int department = -1;  // aux leaves
};

class Books {
 public:
  Books(const std::string& dir, const ConsistentOptions& o) : o_(o), rng_(o.seed) {
    const auto& layouts = LayoutNames();
    if (std::find(layouts.begin(), layouts.end(), o.layout) == layouts.end())
      throw std::invalid_argument("未知的格式：" + o.layout);
    const auto& words = DirectionWordNames();
    if (std::find(words.begin(), words.end(), o.direction_words) == words.end())
      throw std::invalid_argument("未知的余额方向写法：" + o.direction_words);
    monthly_ = o.layout != "classic";
    directions_ = o.layout == "directions";
    const std::size_t slash = o.direction_words.find('/');
    debit_word_ = o.direction_words.substr(0, slash);
    credit_word_ = o.direction_words.substr(slash + 1);
    for (const std::string& kind : o.plants) {
      const auto& kinds = PlantKinds();
      const auto& screening = ScreeningPlantKinds();
      if (std::find(kinds.begin(), kinds.end(), kind) == kinds.end() &&
          std::find(screening.begin(), screening.end(), kind) == screening.end())
        throw std::invalid_argument("未知的错误种类：" + kind);
      if (kind == "approval" && !monthly_)
        throw std::invalid_argument("错误种类 approval 需要 --layout standard 或 directions");
      if (PlantNeedsMonths(kind) && !monthly_)
        throw std::invalid_argument("错误种类 " + kind + " 需要 --layout standard 或 directions");
      if (kind == "bad-direction" && !directions_)
        throw std::invalid_argument("错误种类 bad-direction 需要 --layout directions");
      plants_.insert(kind);
    }
    if (o.postings < 0 || o.top_accounts < 2 || o.top_accounts > 20 || o.depth < 1 || o.depth > 4 ||
        o.max_children < 0 || o.max_children > 10 || o.months < 1 || o.months > 12 || o.year < 2 ||
        o.year > 9999)
      throw std::invalid_argument("选项超出范围");
    const std::string d = dir.empty() || dir.back() == '/' ? dir : dir + "/";
    WriteDescription(d + "GSSM.txt");
    chart_file_ = std::make_unique<GbkTextFile>(d + kChart);
    balances_file_ = std::make_unique<GbkTextFile>(d + kBalances);
    postings_file_ = std::make_unique<GbkTextFile>(d + kPostings);
    archive_file_ = std::make_unique<GbkTextFile>(d + kArchive);
    if (monthly_) book_file_ = std::make_unique<GbkTextFile>(d + kBook);
  }

  ConsistentSummary Write();

 private:
  bool Planting(const std::string& kind) const { return plants_.count(kind) != 0; }
  void Planted(const std::string& kind, const char* file, std::size_t row, std::string what) {
    summary_.planted.push_back({kind, file, row, std::move(what)});
    done_.insert(kind);
  }
  bool Pending(const std::string& kind) const { return Planting(kind) && done_.count(kind) == 0; }

  static void Section(GbkTextFile& out, const char* name, const char* file,
                      std::initializer_list<const char*> columns) {
    out.Line(std::string("[") + name + "]");
    out.Line(file);
    for (const char* c : columns) out.Line(std::string(c) + ",文本,40");
    out.Line("");
  }

  void WriteDescription(const std::string& path);

  void BuildChart();

  void WriteChartAndArchive();

  static std::string DepartmentCode(int k) {
    return (k + 1 < 10 ? "0" : "") + std::to_string(k + 1);
  }

  // Openings of the balance sheet's leaves, the debit side equal to the credit side.
  void OpenTheBooks();

  Money RandomAmount() {
    if (o_.realistic) return RealisticAmount();
    const auto roll = rng_.Below(100);
    const std::int64_t cents =
        roll < 70 ? rng_.Between(100, 500000) : rng_.Between(500000, 50000000);
    return static_cast<Money>(cents) * kCent;
  }

  Line MakeLine(int account, Money debit, Money credit) {
    Line l{account, debit, credit, -1};
    if (account >= 0 && chart_[account].aux)
      l.department = static_cast<int>(rng_.Below(std::size(kDepartments)));
    return l;
  }

  int RandomLeaf() { return leaves_[rng_.Below(leaves_.size())]; }

  // A voucher of `k` lines on random leaves, balanced.
  std::vector<Line> RandomVoucher(int k);
  // Adds `n` debits of random amounts on random leaves; returns their sum.
  Money AddDebits(int n, std::vector<Line>& lines);

  // The shapes of realistic books (consistent_realism.cpp): a voucher's number of
  // postings, its day of `month`, an amount, and a voucher of `k` lines (k > 4: one
  // credit against the rest).
  int RealisticVoucherSize();
  int RealisticDay(int month);
  Money RealisticAmount();
  std::vector<Line> RealisticVoucher(int k);

  // Writes a voucher and sums its non-void postings into their leaves. `plant`, when
  // not null, is the posting-level fault to put into it if it has a posting to take it.
  void WriteVoucher(int year, int month, int day, std::string_view type, std::vector<Line> lines,
                    bool is_void, const char* plant);

  // The posting-level plant that voucher `ordinal` may take: each kind waits for its own
  // stretch of the book set, so that two never share a voucher.
  const char* PlantFor(int ordinal, int expected) const;

  void WriteVouchers();

  // Vouchers whose sums binary floating point gets wrong.
  void WriteExactVouchers();

  // The vouchers of the screening plants (consistent_screening.cpp); ReserveLeaf() first
  // keeps one leaf out of the random vouchers for the rare pair.
  void ReserveLeaf();
  void WriteScreeningVouchers();
  // What the next WriteVoucher writes instead of a random summary, preparer or approver.
  struct VoucherTexts {
    bool set = false;
    std::string summary, preparer, approver;
  };
  VoucherTexts next_texts_;
  int reserved_leaf_ = -1;

  // A top-level account with children.
  int TopParent() const {
    for (int i : order_)
      if (chart_[i].parent < 0 && !chart_[i].leaf()) return i;
    return -1;
  }

  void BalanceRow(const Acct& a, Money o, Money d, Money c, Money z, const std::string& group,
                  std::string closing_text = {}, std::string debit_text = {}) {
    const std::string year = std::to_string(o_.year);
    balances_file_->Row(BalanceRowText{year, a.code, kRenminbi, MoneyText(o),
                                       debit_text.empty() ? MoneyText(d) : debit_text, MoneyText(c),
                                       closing_text.empty() ? MoneyText(z) : closing_text, group});
  }

  void WriteBalances();
  // The balances of the standard and directions layouts: twelve months per account and
  // department, each month's opening the previous month's closing.
  void WriteMonthlyBalances();
  void MonthRow(const Acct& a, int month, Money o, Money d, Money c, Money z,
                const std::string& group, const char* plant = nullptr);
  // Sums the month sums of the leaves into their parents.
  void SumMonthsIntoParents();
  std::string SideWord(bool credit) const { return credit ? credit_word_ : debit_word_; }

  using BalanceRowText = std::array<std::string_view, 8>;

  const ConsistentOptions& o_;
  Rng rng_;
  std::set<std::string> plants_, done_;
  std::unique_ptr<GbkTextFile> chart_file_, balances_file_, postings_file_, archive_file_,
      book_file_;
  bool monthly_ = false, directions_ = false;
  std::string debit_word_, credit_word_;
  int continuity_leaf_ = -1;  // the leaf whose June opening is broken
  std::vector<Acct> chart_;
  std::vector<int> order_;  // chart indexes in code order
  std::vector<int> leaves_, aux_leaves_, plain_leaves_;
  std::map<std::string, int> numbers_;   // last number per year, (month,) and type
  std::set<std::string> months_seen_;    // year, month and type of the vouchers so far
  std::map<std::string, int> last_day_;  // day of the last voucher per year, month and type
  int trial_leaf_ = -1;
  Money unknown_amount_ = 0;
  ConsistentSummary summary_;
};

}  // namespace qoru::gen::ledger
