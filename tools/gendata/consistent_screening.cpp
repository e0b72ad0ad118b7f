// The vouchers that the screening plants add to the consistent book set
// (consistent_books.h): each balanced, of the type 调, written in date order after the
// random vouchers so that the random ones stay as they are without the plants.
#include <algorithm>
#include <stdexcept>

#include "gendata/consistent_ledger.h"
#include "screening/calendar/holiday_calendar.h"

namespace qoru::gen::ledger {
namespace {

struct PlantVoucher {
  int month = 1, day = 1;
  std::vector<Line> lines;
  std::string summary, preparer, approver;
  std::string kind, what;  // kind empty: not a fault (the adjusted working Saturday)
};

std::string DateText(int year, int month, int day) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
  return text;
}

}  // namespace

void Books::ReserveLeaf() {
  if (!Planting("rare-pair") && !Planting("seldom-used-account")) return;
  // Every leaf of the last top-level account stays out of the random vouchers, so that
  // its first-level pairs are rare and its accounts seldom used.
  const std::string top = kTops[o_.top_accounts - 1].code;
  std::vector<int> kept;
  for (int leaf : leaves_) {
    if (chart_[leaf].code.compare(0, top.size(), top) == 0) {
      if (reserved_leaf_ < 0) reserved_leaf_ = leaf;
    } else {
      kept.push_back(leaf);
    }
  }
  if (reserved_leaf_ < 0 || kept.size() < 2)
    throw std::runtime_error("科目太少，无法植入 rare-pair 或 seldom-used-account");
  leaves_ = std::move(kept);
}

void Books::WriteScreeningVouchers() {
  const int year = o_.year;
  const int mid = std::min(6, o_.months);
  std::vector<PlantVoucher> plants;
  const std::string maker(kLedgerMakers[0]), approver(kLedgerMakers[1]);
  const auto pair = [&](Money m) {
    const int a = RandomLeaf();
    int b = RandomLeaf();
    while (b == a && leaves_.size() > 1) b = RandomLeaf();
    return std::vector<Line>{MakeLine(a, m, 0), MakeLine(b, 0, m)};
  };
  const auto add = [&](const std::string& kind, int month, int day, std::vector<Line> lines,
                       std::string what, std::string summary = "调账", std::string preparer = {},
                       std::string checker = {}) {
    PlantVoucher v;
    v.month = month;
    v.day = day;
    v.lines = std::move(lines);
    v.summary = std::move(summary);
    v.preparer = preparer.empty() ? maker : preparer;
    v.approver = checker.empty() && preparer.empty() ? approver : checker;
    v.kind = kind;
    v.what = std::move(what);
    plants.push_back(std::move(v));
  };

  if (Planting("weekend-holiday")) {
    // A public holiday, a plain Sunday, and an adjusted working Saturday (not a rest day).
    for (std::size_t i = 0; i < screening::kHolidayDayCount; ++i) {
      const screening::HolidayDay& d = screening::kHolidayDays[i];
      if (d.date / 10000 != year || d.date / 100 % 100 > o_.months || !d.rest) continue;
      add("weekend-holiday", d.date / 100 % 100, d.date % 100, pair(RandomAmount()),
          std::string("凭证日期为节假日 ") + screening::kHolidayNames[d.name]);
      break;
    }
    for (int day = 1; day <= 28; ++day) {
      const checks::CalendarDate date{year, mid, day};
      const screening::RestDay rest = screening::ClassifyDay(date);
      if (screening::Weekday(date) == 7 && rest.rest && rest.reason == "周日") {
        add("weekend-holiday", mid, day, pair(RandomAmount()), "凭证日期为周日");
        break;
      }
    }
    for (std::size_t i = 0; i < screening::kHolidayDayCount; ++i) {
      const screening::HolidayDay& d = screening::kHolidayDays[i];
      const checks::CalendarDate date{d.date / 10000, d.date / 100 % 100, d.date % 100};
      if (date.year != year || date.month > o_.months || d.rest || screening::Weekday(date) != 6)
        continue;
      add("", date.month, date.day, pair(RandomAmount()), "调休上班的周六：不是休息日，不应标出");
      break;
    }
  }
  if (Planting("round-amount")) add("round-amount", mid, 10, pair(50000 * kYuan), "金额 50000.00");
  if (Planting("benford")) {
    const int count = std::max(30, o_.postings / 60);
    for (int i = 0; i < count; ++i) {
      const Money m = (4700 + static_cast<Money>(rng_.Below(100))) * kYuan +
                      (1 + static_cast<Money>(rng_.Below(99))) * kCent;
      add("benford", 1 + i % o_.months, 1 + i % 28, pair(m), "借方金额的前两位为 47");
    }
  }
  if (Planting("approval")) {
    add("approval", mid, 11, pair(RandomAmount()), "制单人与审核人相同", "调账",
        std::string(kLedgerMakers[1]), std::string(kLedgerMakers[1]));
    add("approval", mid, 12, pair(RandomAmount()), "未审核", "调账", std::string(kLedgerMakers[0]),
        "");
  }
  if (Planting("rare-preparer"))
    add("rare-preparer", mid, 13, pair(RandomAmount()), "制单人钱七只制单这一张凭证", "调账",
        "钱七", approver);
  if (Planting("keyword"))
    add("keyword", mid, 14, pair(RandomAmount()), "摘要含 冲回、暂估 和 adj", "冲回暂估入库 ADJ");
  if (Planting("rare-pair") || Planting("seldom-used-account")) {
    const Money m = RandomAmount();
    add(Planting("rare-pair") ? "rare-pair" : "seldom-used-account", mid, 15,
        {MakeLine(reserved_leaf_, m, 0), MakeLine(RandomLeaf(), 0, m)},
        "科目 " + chart_[reserved_leaf_].code + " 只用在这一张凭证上");
  }
  if (Planting("duplicate-entry")) {
    const Money m = RandomAmount();
    std::vector<Line> lines = pair(m);
    add("duplicate-entry", mid, 16, lines, "与两天后的凭证科目、方向和金额相同");
    add("duplicate-entry", mid, 18, lines, "与两天前的凭证科目、方向和金额相同");
  }
  if (Planting("reversal")) {
    const Money m = RandomAmount();
    std::vector<Line> lines = pair(m);
    add("reversal", mid, 19, lines, "被次日的凭证冲销");
    std::swap(lines[0].debit, lines[0].credit);
    std::swap(lines[1].debit, lines[1].credit);
    add("reversal", mid, 20, lines, "冲销前一日的凭证", "冲销前一日凭证");
  }
  if (Planting("negative-amount"))
    add("negative-amount", mid, 21, pair(-RandomAmount()), "红字金额", "红字冲减");
  if (Planting("blank-summary"))
    add("blank-summary", mid, 22, pair(RandomAmount()), "摘要为空", "");

  std::stable_sort(plants.begin(), plants.end(), [](const PlantVoucher& a, const PlantVoucher& b) {
    return a.month != b.month ? a.month < b.month : a.day < b.day;
  });
  for (PlantVoucher& v : plants) {
    const std::size_t row = postings_file_->rows() + 1;
    next_texts_ = {true, v.summary, v.preparer, v.approver};
    const std::size_t lines = v.lines.size();
    WriteVoucher(year, v.month, v.day, "调", std::move(v.lines), false, nullptr);
    const std::string kind = v.kind.empty() ? "adjusted-workday" : v.kind;
    // A benford plant is its debit; the credit that balances it is no part of the spike.
    for (std::size_t i = 0; i < (kind == "benford" ? 1 : lines); ++i)
      Planted(kind, kPostings, row + i, DateText(year, v.month, v.day) + " " + v.what);
  }
}

}  // namespace qoru::gen::ledger
