// The consistent book set: a chart built from a fixed list of top-level accounts, an
// opening trial balance, vouchers streamed to JZPZ.txt while their sums are kept per
// leaf account, then the balance rows computed from both, parents summed from their
// children. Plants change what is written, never what is summed, unless the fault is
// in the books themselves (an unbalanced opening, a voucher dated a year early).
#include "gendata/consistent_books.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>

#include "gendata/dataset_writer.h"
#include "gendata/rng.h"

namespace qoru::gen {
namespace {

using Money = __int128;  // in units of 0.0001
constexpr Money kCent = 100;
constexpr Money kYuan = 10000;

constexpr const char* kChart = "KJKM.txt";
constexpr const char* kBalances = "KMYE.txt";
constexpr const char* kPostings = "JZPZ.txt";
constexpr const char* kArchive = "BMDA.txt";
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
constexpr std::string_view kSummaries[] = {"提取备用金", "报销差旅费", "支付货款", "收到货款",
                                           "采购原材料", "销售商品",   "计提工资", "发放工资",
                                           "支付水电费", "计提折旧",   "结转成本", "缴纳税费"};
constexpr std::string_view kMakers[] = {"张敏", "李伟", "王芳"};

std::string MoneyText(Money m) {
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
    for (const std::string& kind : o.plants) {
      const auto& kinds = PlantKinds();
      if (std::find(kinds.begin(), kinds.end(), kind) == kinds.end())
        throw std::invalid_argument("未知的错误种类：" + kind);
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
  }

  ConsistentSummary Write() {
    BuildChart();
    WriteChartAndArchive();
    OpenTheBooks();
    WriteVouchers();
    WriteBalances();
    for (auto* f :
         {chart_file_.get(), balances_file_.get(), postings_file_.get(), archive_file_.get()})
      f->Close();
    summary_.accounts = chart_file_->rows();
    summary_.postings = postings_file_->rows();
    summary_.balances = balances_file_->rows();
    return summary_;
  }

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

  void WriteDescription(const std::string& path) {
    GbkTextFile out(path);
    Section(out, "会计科目", kChart, {"科目编号", "科目名称", "余额方向", "辅助核算项"});
    Section(out, "科目余额及发生额", kBalances,
            {"会计年度", "科目编号", "币种", "期初余额", "借方发生额", "贷方发生额", "期末余额",
             "辅助核算组"});
    Section(out, "记账凭证", kPostings,
            {"凭证日期", "凭证字", "凭证号", "摘要", "科目编号", "币种", "借方金额", "贷方金额",
             "作废标志", "辅助核算组", "制单人"});
    out.Line("[辅助核算项档案]");
    out.Line("部门");
    out.Line("");
    Section(out, "部门", kArchive, {"部门编号", "部门名称"});
    out.Close();
  }

  void BuildChart() {
    for (int i = 0; i < o_.top_accounts; ++i) {
      Acct a;
      a.code = kTops[i].code;
      a.name = kTops[i].name;
      a.credit = kTops[i].credit;
      a.balance_sheet = kTops[i].balance_sheet;
      chart_.push_back(std::move(a));
    }
    // Children follow their parents in the vector, so a walk from the end meets every
    // child before its parent.
    for (std::size_t i = 0; i < chart_.size(); ++i) {
      const int level = static_cast<int>(chart_[i].code.size() - 4) / 2 + 1;
      if (level >= o_.depth) continue;
      const int n = static_cast<int>(rng_.Below(static_cast<std::uint64_t>(o_.max_children) + 1));
      for (int k = 0; k < n; ++k) {
        Acct child;
        child.code = chart_[i].code + (k + 1 < 10 ? "0" : "") + std::to_string(k + 1);
        child.name = chart_[i].name + std::string(kDetailWords[(k + i) % std::size(kDetailWords)]);
        child.credit = chart_[i].credit;
        child.balance_sheet = chart_[i].balance_sheet;
        child.parent = static_cast<int>(i);
        chart_[i].children.push_back(static_cast<int>(chart_.size()));
        chart_.push_back(std::move(child));
      }
    }
    std::vector<int> candidates;
    for (std::size_t i = 0; i < chart_.size(); ++i) {
      Acct& a = chart_[i];
      if (a.leaf()) {
        leaves_.push_back(static_cast<int>(i));
        a.aux = (a.code[0] == '6' || a.code.rfind("1221", 0) == 0) && rng_.Percent(50);
      } else if (a.code.size() >= 6) {
        candidates.push_back(static_cast<int>(i));
      }
    }
    if (std::none_of(leaves_.begin(), leaves_.end(), [&](int i) { return chart_[i].aux; }))
      chart_[leaves_.front()].aux = true;
    for (int i : leaves_) (chart_[i].aux ? aux_leaves_ : plain_leaves_).push_back(i);
    if (o_.omit_parents) {
      for (int i : candidates) chart_[i].omitted = rng_.Percent(30);
      if (!candidates.empty() && std::none_of(candidates.begin(), candidates.end(),
                                              [&](int i) { return chart_[i].omitted; }))
        chart_[candidates.front()].omitted = true;
    }
    for (const Acct& a : chart_) summary_.omitted_parents += a.omitted ? 1 : 0;
    order_.resize(chart_.size());
    for (std::size_t i = 0; i < chart_.size(); ++i) order_[i] = static_cast<int>(i);
    std::sort(order_.begin(), order_.end(),
              [&](int x, int y) { return chart_[x].code < chart_[y].code; });
  }

  void WriteChartAndArchive() {
    for (int i : order_) {
      const Acct& a = chart_[i];
      if (a.omitted) continue;
      chart_file_->Row(ChartRow{a.code, a.name, a.credit ? "贷" : "借", a.aux ? "部门" : ""});
    }
    for (std::size_t k = 0; k < std::size(kDepartments); ++k)
      archive_file_->Row(
          std::array<std::string_view, 2>{DepartmentCode(static_cast<int>(k)), kDepartments[k]});
  }

  static std::string DepartmentCode(int k) {
    return (k + 1 < 10 ? "0" : "") + std::to_string(k + 1);
  }

  // Openings of the balance sheet's leaves, the debit side equal to the credit side.
  void OpenTheBooks() {
    Money debit_side = 0, credit_side = 0;
    int balancing = -1;
    for (int i : leaves_) {
      Acct& a = chart_[i];
      if (!a.balance_sheet) continue;
      a.opening = static_cast<Money>(rng_.Between(1000, 1000000)) * kYuan +
                  static_cast<Money>(rng_.Below(100)) * kCent;
      (a.credit ? credit_side : debit_side) += a.opening;
      if (a.credit && balancing < 0) balancing = i;
    }
    chart_[balancing].opening += debit_side - credit_side;
    if (Planting("trial-balance")) {
      for (int i : leaves_) {
        if (!chart_[i].balance_sheet || chart_[i].credit) continue;
        chart_[i].opening += 100 * kYuan;
        trial_leaf_ = i;
        break;
      }
    }
  }

  Money RandomAmount() {
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
  std::vector<Line> RandomVoucher(int k) {
    const int debits = 1 + static_cast<int>(rng_.Below(static_cast<std::uint64_t>(k - 1)));
    std::vector<Line> lines;
    Money sum = 0;
    for (int i = 0; i < debits; ++i) {
      const Money m = RandomAmount();
      sum += m;
      lines.push_back(MakeLine(RandomLeaf(), m, 0));
    }
    Money left = sum;
    for (int i = debits; i < k; ++i) {
      const bool last = i == k - 1;
      Money m = last ? left : left * static_cast<Money>(1 + rng_.Below(60)) / 100;
      m -= m % kCent;
      if (!last && m == 0) m = kCent;
      left -= m;
      lines.push_back(MakeLine(RandomLeaf(), 0, m));
    }
    return lines;
  }

  // Writes a voucher and sums its non-void postings into their leaves. `plant`, when
  // not null, is the posting-level fault to put into it if it has a posting to take it.
  void WriteVoucher(int year, int month, int day, std::string_view type, std::vector<Line> lines,
                    bool is_void, const char* plant) {
    const std::string group =
        std::to_string(year) + "-" + std::to_string(month) + "-" + std::string(type);
    int& counter = numbers_[group];
    ++counter;
    const std::size_t first_row = postings_file_->rows() + 1;
    if (Pending("voucher-numbering") && year == o_.year && month == (o_.months + 1) / 2 &&
        type == "记" && counter == 2) {
      ++counter;
      Planted("voucher-numbering", kPostings, first_row,
              std::to_string(year) + " 年 " + std::to_string(month) + " 月记字凭证跳过 2 号");
    }
    ++summary_.vouchers;
    char date[16];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", year, month, day);
    const std::string number = std::to_string(counter);
    const std::string_view summary = rng_.Pick(kSummaries);
    const std::string_view maker = rng_.Pick(kMakers);
    const std::string wanted = plant != nullptr && !is_void ? plant : "";
    for (const Line& l : lines) {
      const std::size_t row = postings_file_->rows() + 1;
      std::string code = l.account >= 0 ? chart_[l.account].code : kUnknownCode;
      std::string debit = MoneyText(l.debit);
      std::string credit = MoneyText(l.credit);
      const std::string department = l.department >= 0 ? DepartmentCode(l.department) : "";
      if (wanted == "voucher-balance" && Pending(wanted) && l.debit != 0) {
        debit = MoneyText(l.debit + kCent);
        Planted(wanted, kPostings, row, "借方金额 " + MoneyText(l.debit) + " 写成 " + debit);
      } else if (wanted == "vouchers-vs-balances" && Pending(wanted) && l.account >= 0 &&
                 !chart_[l.account].aux && plain_leaves_.size() >= 2) {
        const int other = plain_leaves_[0] == l.account ? plain_leaves_[1] : plain_leaves_[0];
        code = chart_[other].code;
        Planted(wanted, kPostings, row,
                "科目 " + chart_[l.account].code + " 的分录写在科目 " + code + " 上");
      } else if (wanted == "bad-value" && Pending(wanted)) {
        (l.credit == 0 ? credit : debit) = "零";
        Planted(wanted, kPostings, row,
                std::string(l.credit == 0 ? "贷方" : "借方") + "金额 0.00 写成“零”");
      }
      postings_file_->Row(PostingRow{date, type, number, summary, code, kRenminbi, debit, credit,
                                     is_void ? "1" : "0", department, maker});
      if (is_void || l.account < 0 || !chart_[l.account].leaf()) continue;
      Acct& a = chart_[l.account];
      a.debit += l.debit;
      a.credit_sum += l.credit;
      if (l.department >= 0) {
        auto& sums = a.by_department[l.department];
        sums.first += l.debit;
        sums.second += l.credit;
      }
    }
  }

  // The posting-level plant that voucher `ordinal` may take: each kind waits for its own
  // stretch of the book set, so that two never share a voucher.
  const char* PlantFor(int ordinal, int expected) const {
    const struct {
      const char* kind;
      int from;
    } stretches[] = {{"voucher-balance", expected / 3},
                     {"vouchers-vs-balances", expected / 2},
                     {"bad-value", expected * 2 / 3}};
    for (const auto& s : stretches)
      if (Pending(s.kind) && ordinal >= s.from) return s.kind;
    return nullptr;
  }

  void WriteVouchers() {
    const int total = o_.postings;
    const int expected = std::max(1, total * 2 / 7);  // vouchers of 3.5 lines on average
    int written = 0;
    for (int ordinal = 0; written < total; ++ordinal) {
      int k = 2 + static_cast<int>(rng_.Below(4));
      if (total - written - k < 2) k = std::max(2, total - written);
      const int month = 1 + std::min(o_.months - 1, written * o_.months / std::max(total, 1));
      const int day = 1 + static_cast<int>(rng_.Below(28));
      const std::string_view type = rng_.Percent(15) ? "转" : "记";
      const bool is_void = ordinal != 0 && rng_.Percent(3);
      std::vector<Line> lines = RandomVoucher(k);
      if (is_void && rng_.Percent(50)) lines.back().credit += RandomAmount();
      if (ordinal == 0 && Planting("date-out-of-year")) {
        const std::size_t row = postings_file_->rows() + 1;
        WriteVoucher(o_.year - 1, 12, 31, type, lines, false, nullptr);
        for (std::size_t i = 0; i < lines.size(); ++i)
          Planted("date-out-of-year", kPostings, row + i,
                  "凭证日期为上一年度的 " + std::to_string(o_.year - 1) + "-12-31");
      } else {
        WriteVoucher(o_.year, month, day, type, std::move(lines), is_void,
                     PlantFor(ordinal, expected));
      }
      if (ordinal == 0 && o_.exact_amounts) WriteExactVouchers();
      written += k;
    }
    const int last_month = o_.months;
    if (Planting("unknown-account")) {
      const std::size_t row = postings_file_->rows() + 1;
      const Money m = RandomAmount();
      WriteVoucher(o_.year, last_month, 28, "记", {MakeLine(-1, m, 0), MakeLine(-1, 0, m)}, false,
                   nullptr);
      unknown_amount_ = m;
      for (std::size_t i = 0; i < 2; ++i)
        Planted("unknown-account", kPostings, row + i, std::string("分录记在科目 ") + kUnknownCode);
    }
    if (Planting("non-leaf-posting")) {
      const int parent = TopParent();
      if (parent < 0) throw std::runtime_error("科目表没有上级科目，无法植入 non-leaf-posting");
      const std::size_t row = postings_file_->rows() + 1;
      const Money m = RandomAmount();
      WriteVoucher(o_.year, last_month, 28, "记", {MakeLine(parent, m, 0), MakeLine(parent, 0, m)},
                   false, nullptr);
      for (std::size_t i = 0; i < 2; ++i)
        Planted("non-leaf-posting", kPostings, row + i, "分录记在上级科目 " + chart_[parent].code);
    }
    for (const char* kind : {"voucher-balance", "vouchers-vs-balances", "bad-value",
                             "voucher-numbering", "date-out-of-year"})
      if (Pending(kind))
        throw std::runtime_error(std::string("账套太小，无法植入 ") + kind +
                                 "（请增加 --postings）");
  }

  // Vouchers whose sums binary floating point gets wrong.
  void WriteExactVouchers() {
    const auto leaf = [&] { return RandomLeaf(); };
    WriteVoucher(o_.year, 1, 2, "记",
                 {MakeLine(leaf(), 10 * kCent, 0), MakeLine(leaf(), 20 * kCent, 0),
                  MakeLine(leaf(), 0, 30 * kCent)},
                 false, nullptr);
    const Money big = static_cast<Money>(123456789012345678LL) * kYuan + 91 * kCent;
    const Money half = static_cast<Money>(61728394506172839LL) * kYuan + 45 * kCent;
    WriteVoucher(
        o_.year, 1, 3, "记",
        {MakeLine(leaf(), big, 0), MakeLine(leaf(), 0, half), MakeLine(leaf(), 0, big - half)},
        false, nullptr);
    WriteVoucher(
        o_.year, 1, 4, "记",
        {MakeLine(leaf(), 12345, 0), MakeLine(leaf(), 20001, 0), MakeLine(leaf(), 0, 32346)}, false,
        nullptr);
    WriteVoucher(o_.year, 1, 5, "记",
                 {MakeLine(leaf(), -50 * kYuan, 0), MakeLine(leaf(), 0, -50 * kYuan)}, false,
                 nullptr);
  }

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

  void WriteBalances() {
    for (std::size_t i = chart_.size(); i-- > 0;) {
      const Acct& a = chart_[i];
      if (a.parent < 0) continue;
      Acct& p = chart_[a.parent];
      p.opening += a.opening;
      p.debit += a.debit;
      p.credit_sum += a.credit_sum;
    }
    const int parent_plant = Planting("parent-sum") ? TopParent() : -1;
    if (Planting("parent-sum") && parent_plant < 0)
      throw std::runtime_error("科目表没有上级科目，无法植入 parent-sum");
    // The roll-forward fault goes into the first auxiliary detail row, where nothing else
    // follows from it; a total row takes it only when there is none.
    const bool detail_rows = std::any_of(chart_.begin(), chart_.end(),
                                         [](const Acct& a) { return !a.by_department.empty(); });
    for (int i : order_) {
      const Acct& a = chart_[i];
      if (a.omitted) continue;
      const std::size_t row = balances_file_->rows() + 1;
      const Money z = a.Closing(a.opening, a.debit, a.credit_sum);
      if (i == parent_plant) {
        const Money d = a.debit + kYuan;
        const Money wrong_closing = a.Closing(a.opening, d, a.credit_sum);
        BalanceRow(a, a.opening, a.debit, a.credit_sum, z, "", MoneyText(wrong_closing),
                   MoneyText(d));
        Planted("parent-sum", kBalances, row,
                "科目 " + a.code + " 的借方发生额和期末余额比下级合计多记 1.00");
      } else if (Pending("balance-roll-forward") && !detail_rows && a.leaf()) {
        BalanceRow(a, a.opening, a.debit, a.credit_sum, z, "", MoneyText(z + kCent));
        Planted("balance-roll-forward", kBalances, row,
                "科目 " + a.code + " 的期末余额写成 " + MoneyText(z + kCent));
      } else {
        BalanceRow(a, a.opening, a.debit, a.credit_sum, z, "");
      }
      if (i == trial_leaf_)
        Planted("trial-balance", kBalances, row,
                "科目 " + a.code + " 的期初余额多记 100.00（上级科目随之变化）");
      for (const auto& [department, sums] : a.by_department) {
        const std::size_t aux_row = balances_file_->rows() + 1;
        const Money dz = a.Closing(0, sums.first, sums.second);
        if (Pending("balance-roll-forward")) {
          BalanceRow(a, 0, sums.first, sums.second, dz, DepartmentCode(department),
                     MoneyText(dz + kCent));
          Planted("balance-roll-forward", kBalances, aux_row,
                  "科目 " + a.code + " 部门 " + DepartmentCode(department) + " 的期末余额写成 " +
                      MoneyText(dz + kCent));
        } else {
          BalanceRow(a, 0, sums.first, sums.second, dz, DepartmentCode(department));
        }
      }
    }
    if (Planting("unknown-account")) {
      const std::size_t row = balances_file_->rows() + 1;
      Acct unknown;
      unknown.code = kUnknownCode;
      BalanceRow(unknown, 0, unknown_amount_, unknown_amount_, 0, "");
      Planted("unknown-account", kBalances, row, std::string("余额行的科目为 ") + kUnknownCode);
    }
    if (Pending("balance-roll-forward"))
      throw std::runtime_error("账套太小，无法植入 balance-roll-forward");
  }

  using BalanceRowText = std::array<std::string_view, 8>;

  const ConsistentOptions& o_;
  Rng rng_;
  std::set<std::string> plants_, done_;
  std::unique_ptr<GbkTextFile> chart_file_, balances_file_, postings_file_, archive_file_;
  std::vector<Acct> chart_;
  std::vector<int> order_;  // chart indexes in code order
  std::vector<int> leaves_, aux_leaves_, plain_leaves_;
  std::map<std::string, int> numbers_;  // last number per year, month and type
  int trial_leaf_ = -1;
  Money unknown_amount_ = 0;
  ConsistentSummary summary_;
};

}  // namespace

const std::vector<std::string>& PlantKinds() {
  static const std::vector<std::string> kKinds = {
      "voucher-balance",  "voucher-numbering", "balance-roll-forward", "vouchers-vs-balances",
      "parent-sum",       "trial-balance",     "unknown-account",      "non-leaf-posting",
      "date-out-of-year", "bad-value"};
  return kKinds;
}

ConsistentSummary WriteConsistentBooks(const std::string& dir, const ConsistentOptions& options) {
  return Books(dir, options).Write();
}

}  // namespace qoru::gen
