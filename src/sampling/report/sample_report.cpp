#include "sampling/report/sample_report.h"

#include <fmt/format.h>

#include "sampling/report/sample_words.h"

namespace qoru::sampling {
namespace {

std::string DateText(int d) {
  return d == 0 ? std::string()
                : fmt::format("{:04}-{:02}-{:02}", d / 10000, d / 100 % 100, d % 100);
}

std::string YearText(const SampleBook& b) {
  return b.year ? std::to_string(*b.year) + " 年度" : "年度未知";
}

std::string PostingLine(const ListedPosting& p) {
  return fmt::format("{} {}-{}{} {} {} {}", DateText(p.date), p.type, p.number,
                     p.line.empty() ? "" : " 第" + p.line + "行", p.account, p.account_name,
                     p.summary);
}

nlohmann::ordered_json PostingJson(const ListedPosting& p) {
  return {{"row", p.row},
          {"date", DateText(p.date)},
          {"type", p.type},
          {"number", p.number},
          {"line", p.line},
          {"account", p.account},
          {"account_name", p.account_name},
          {"summary", p.summary},
          {"debit", p.debit.ToString()},
          {"credit", p.credit.ToString()}};
}

}  // namespace

std::string PlanText(const ReportContext& c) {
  const Sample& s = c.sample;
  const Population& p = s.population;
  const PlanRequest& r = s.request.plan;
  std::string out;
  out += fmt::format("审计抽样：账套 {}（{}）\n", c.book.name, YearText(c.book));
  const Unit unit = p.request.unit;
  if (unit == Unit::kBalance) {
    out += fmt::format("总体：{}，{}，余额表 {}{}\n", UnitChinese(unit), AccountsText(p),
                       c.book.balances_table,
                       c.book.balance_month ? fmt::format(" {} 月期末", *c.book.balance_month)
                                            : std::string(" 期末"));
  } else {
    out += fmt::format("总体：{}（{}），{}，凭证表 {}\n", UnitChinese(unit),
                       SideChinese(p.request.side), AccountsText(p), c.book.postings_table);
    const PostingCounts& n = c.book.counts;
    out += fmt::format(
        "  凭证表 {} 行：作废 {} 行、日期无法识别 {} 行、不在账套年度内 {} 行不属于总体\n", n.rows,
        n.void_rows, n.no_date, n.other_year);
  }
  out += fmt::format("  可抽样项目 {} 个，金额合计 {}（最小单位 {}）\n", p.items.size(),
                     UnitsText(s, p.total), DecimalText(1, p.scale));
  if (p.zero_items + p.negative_items > 0)
    out += fmt::format("  未抽样：金额为零 {} 个；金额为负数 {} 个，合计 {}（请另行测试）\n",
                       p.zero_items, p.negative_items, p.negative_total.ToString());
  out += fmt::format("方法：{}\n", MethodChinese(r.method));
  if (r.method == Method::kMonetaryUnit)
    out += fmt::format("  置信度 {}%，可容忍错报 {}，预计错报 {}\n", PlainDecimal(r.confidence),
                       r.tolerable ? r.tolerable->ToString() : "未给出", r.expected.ToString());
  if (s.request.threshold)
    out += fmt::format("  重大项目（金额不小于 {}）：{} 个，合计 {}，全部选取\n",
                       s.request.threshold->ToString(), s.top.size(), UnitsText(s, s.top_total));
  out +=
      fmt::format("  抽样总体：{} 个项目，金额合计 {}\n", s.rest_items, UnitsText(s, s.rest_total));
  if (s.rest_items == 0) {
    out += "  抽样总体为空：样本只有重大项目\n";
  } else {
    out += "  样本量：" + SizeFormula(s) + "\n";
    if (r.method == Method::kMonetaryUnit) {
      out += "  抽样间隔：" + IntervalFormula(s) + "\n";
      out += fmt::format("  随机种子 {}{}，起点 s = {}，选取位置 {} 个\n", s.request.seed,
                         s.request.seed_given ? "" : "（由时钟取得，重抽时用 --seed 指定）",
                         UnitsText(s, static_cast<Wide>(s.start)), s.positions);
    } else {
      out += fmt::format("  随机种子 {}{}\n", s.request.seed,
                         s.request.seed_given ? "" : "（由时钟取得，重抽时用 --seed 指定）");
    }
    if (s.every_item) out += "  样本包含抽样总体的全部项目（100% 测试）\n";
  }
  return out;
}

std::string SampleText(const ReportContext& c) {
  const Sample& s = c.sample;
  std::string out = PlanText(c);
  out += fmt::format("选中 {} 个项目（重大项目 {} 个）：\n", c.items.size(), s.top.size());
  const Unit unit = s.population.request.unit;
  for (const ListedItem& l : c.items) {
    const std::string mark = l.top        ? "［重大项目］"
                             : l.hits > 1 ? fmt::format("（命中 {} 次）", l.hits)
                                          : "";
    if (unit == Unit::kPosting) {
      out += fmt::format("  {}. {} {}{}\n", l.index, PostingLine(l.postings[0]),
                         l.amount.ToString(), mark);
    } else if (unit == Unit::kVoucher) {
      out += fmt::format("  {}. {} {}-{} 金额 {}{}\n", l.index, DateText(l.date), l.type, l.number,
                         l.amount.ToString(), mark);
      for (const ListedPosting& p : l.postings)
        out += fmt::format("       {}{} {} {} 借 {} 贷 {} {}\n", p.counted ? "" : "（其他科目）",
                           p.line.empty() ? "" : "第" + p.line + "行", p.account, p.account_name,
                           p.debit.ToString(), p.credit.ToString(), p.summary);
    } else {
      out += fmt::format(
          "  {}. {} {}{} 余额 {} {}{}\n", l.index, l.account, l.account_name,
          l.aux_code.empty() ? "" : fmt::format(" {} {} {}", l.aux_types, l.aux_code, l.aux_name),
          l.amount.ToString(), DirectionWord(l.balance), mark);
    }
  }
  return out;
}

nlohmann::ordered_json SampleJson(const ReportContext& c) {
  const Sample& s = c.sample;
  const Population& p = s.population;
  const PlanRequest& r = s.request.plan;
  nlohmann::ordered_json j;
  j["book_set"] = c.book.name;
  j["year"] = c.book.year ? nlohmann::ordered_json(*c.book.year) : nlohmann::ordered_json();
  const Unit unit = p.request.unit;
  nlohmann::ordered_json pop;
  pop["unit"] = UnitWord(unit);
  if (unit != Unit::kBalance) pop["side"] = SideWord(p.request.side);
  pop["accounts"] = p.accounts;
  if (unit == Unit::kBalance) {
    pop["table"] = c.book.balances_table;
    pop["month"] = c.book.balance_month ? nlohmann::ordered_json(*c.book.balance_month)
                                        : nlohmann::ordered_json();
  } else {
    pop["table"] = c.book.postings_table;
    pop["rows"] = {{"rows", c.book.counts.rows},
                   {"void", c.book.counts.void_rows},
                   {"no_date", c.book.counts.no_date},
                   {"other_year", c.book.counts.other_year}};
  }
  pop["items"] = p.items.size();
  pop["total"] = UnitsText(s, p.total);
  pop["scale"] = p.scale;
  pop["left_out"] = {{"zero", p.zero_items},
                     {"negative", p.negative_items},
                     {"negative_total", p.negative_total.ToString()}};
  j["population"] = pop;
  nlohmann::ordered_json m;
  m["method"] = MethodWord(r.method);
  m["confidence"] = PlainDecimal(r.confidence);
  m["tolerable"] =
      r.tolerable ? nlohmann::ordered_json(r.tolerable->ToString()) : nlohmann::ordered_json();
  m["expected"] = r.expected.ToString();
  m["threshold"] = s.request.threshold ? nlohmann::ordered_json(s.request.threshold->ToString())
                                       : nlohmann::ordered_json();
  m["seed"] = s.request.seed;
  m["seed_given"] = s.request.seed_given;
  j["parameters"] = m;
  j["top_stratum"] = {{"items", s.top.size()}, {"total", UnitsText(s, s.top_total)}};
  j["sampled_population"] = {{"items", s.rest_items}, {"total", UnitsText(s, s.rest_total)}};
  nlohmann::ordered_json plan;
  plan["size"] = s.size;
  plan["size_given"] = !s.planned;
  if (s.planned) {
    plan["r0"] = s.planned->r0;
    plan["expansion"] = s.planned->expansion.empty() ? nlohmann::ordered_json()
                                                     : nlohmann::ordered_json(s.planned->expansion);
    plan["denominator"] = DecimalText(s.planned->denominator_units, s.planned->denominator_scale);
  }
  if (s.rest_items > 0) plan["formula"] = SizeFormula(s);
  if (r.method == Method::kMonetaryUnit && s.rest_items > 0) {
    plan["interval"] = UnitsText(s, static_cast<Wide>(s.interval));
    plan["interval_units"] = IntegerText(s.interval);
    plan["start"] = UnitsText(s, static_cast<Wide>(s.start));
    plan["start_units"] = IntegerText(s.start);
    plan["positions"] = s.positions;
  }
  plan["every_item"] = s.every_item;
  j["plan"] = plan;
  nlohmann::ordered_json items = nlohmann::ordered_json::array();
  for (const ListedItem& l : c.items) {
    nlohmann::ordered_json i;
    i["index"] = l.index;
    i["stratum"] = l.top ? "top" : "sample";
    i["hits"] = l.hits;
    i["amount"] = l.amount.ToString();
    if (unit == Unit::kPosting) {
      const nlohmann::ordered_json posting = PostingJson(l.postings[0]);
      for (const auto& [k, v] : posting.items()) i[k] = v;
    } else if (unit == Unit::kVoucher) {
      i["date"] = DateText(l.date);
      i["type"] = l.type;
      i["number"] = l.number;
      nlohmann::ordered_json ps = nlohmann::ordered_json::array();
      for (const ListedPosting& p : l.postings) {
        nlohmann::ordered_json pj = PostingJson(p);
        pj["counted"] = p.counted;
        ps.push_back(std::move(pj));
      }
      i["postings"] = std::move(ps);
    } else {
      i["account"] = l.account;
      i["account_name"] = l.account_name;
      i["aux_types"] = l.aux_types;
      i["aux_code"] = l.aux_code;
      i["aux_name"] = l.aux_name;
      i["balance"] = l.balance.ToString();
      i["direction"] = DirectionWord(l.balance);
    }
    items.push_back(std::move(i));
  }
  j["selected"] = std::move(items);
  nlohmann::ordered_json strata = nlohmann::ordered_json::array();
  for (const Stratum& st : Strata(s))
    strata.push_back({{"name", st.name},
                      {"items", st.items},
                      {"total", st.total_text},
                      {"selected", st.selected},
                      {"left_out", st.left_out}});
  j["strata"] = std::move(strata);
  return j;
}

}  // namespace qoru::sampling
