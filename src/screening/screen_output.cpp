#include "screening/screen_output.h"

#include <cstdint>
#include <span>

#include <fmt/format.h>

#include "screening/json_writer.h"

namespace qoru::screening {
namespace {

using Json = nlohmann::ordered_json;

Json VoucherJson(const ScreenBook& book, int v) {
  if (v < 0) return nullptr;
  const ScreenVoucher& x = book.vouchers[static_cast<std::size_t>(v)];
  return Json{
      {"year", x.year}, {"month", x.month}, {"type", book.Type(x)}, {"number", book.Number(x)}};
}

Json DigitJson(const DigitTest& t) {
  Json digits = Json::array();
  for (const DigitRow& r : t.digits)
    digits.push_back({{"digit", r.digit},
                      {"count", r.count},
                      {"observed", r.observed},
                      {"expected", r.expected},
                      {"z", r.z}});
  return {{"n", t.n}, {"mad", t.mad}, {"conformity", t.conformity}, {"digits", digits}};
}

std::string AccountText(const ScreenBook& book, const ScreenPosting& p) {
  if (p.account < 0) return "";
  const ScreenAccount& a = book.accounts[static_cast<std::size_t>(p.account)];
  return a.name.empty() ? a.code : a.code + " " + a.name;
}

std::string Spikes(const DigitTest& t) {
  std::string out;
  for (const DigitRow& r : t.digits)
    if (r.z > 1.96 && r.observed > r.expected)
      out += (out.empty() ? "" : "、") + std::to_string(r.digit);
  return out.empty() ? "无" : out;
}

}  // namespace

std::string_view StatusWord(const TestResult& r) {
  if (r.skipped) return "skipped";
  return r.items.empty() ? "ok" : "items";
}

std::string_view ConformityChinese(std::string_view c) {
  if (c == "close") return "高度符合";
  if (c == "acceptable") return "可以接受";
  if (c == "marginal") return "勉强符合";
  return "不符合";
}

std::string VoucherName(const ScreenBook& book, const ScreenVoucher& v) {
  return fmt::format("{} 年 {} 月 {}字 {} 号", v.year, v.month, book.Type(v), book.Number(v));
}

std::string ScreenText(const ScreenBook& book, const ScreenReport& report, std::size_t max_listed) {
  std::string out = fmt::format("账套 {}，年度 {}，分录 {} 笔，凭证 {} 张\n", book.name,
                                book.year ? std::to_string(*book.year) : "未知", report.postings,
                                report.vouchers);
  out += PopulationText(book);
  out += "会计分录测试：\n";
  for (const TestResult& r : report.tests) {
    const TestInfo& info = Info(r.id);
    std::string state =
        r.skipped ? "跳过：" + r.reason : fmt::format("{} 项（{}）", r.items.size(), info.unit);
    if (!r.skipped && !r.reason.empty()) state += "（" + r.reason + "）";
    out += fmt::format("  {:<20} {}  {}\n", info.word, info.chinese, state);
  }
  for (const TestResult& r : report.tests) {
    if (r.items.empty()) continue;
    const TestInfo& info = Info(r.id);
    out += fmt::format("\n{} {}：{} 项", info.word, info.chinese, r.items.size());
    if (r.items.size() > max_listed) out += fmt::format("，列出前 {} 项", max_listed);
    out += "\n";
    std::size_t listed = 0;
    for (const ScreenItem& item : r.items) {
      if (listed++ == max_listed) break;
      std::string head =
          item.voucher >= 0
              ? VoucherName(book, book.vouchers[static_cast<std::size_t>(item.voucher)])
              : "无凭证";
      head += ' ';
      head += item.date ? DateText(item.date) : std::string("日期不可读");
      out += fmt::format("  {}：{}\n", head, r.Reason(item));
      for (int i : r.Postings(item)) {
        const ScreenPosting& p = book.postings[static_cast<std::size_t>(i)];
        out +=
            fmt::format("    第 {} 行 {} {} 借 {} 贷 {}\n", p.row, AccountText(book, p),
                        book.Text(p.summary), book.Debit(p).ToString(), book.Credit(p).ToString());
      }
    }
  }
  if (report.benford.computed && report.benford.first.n > 0) {
    const bool skipped = report[TestId::kBenford].skipped;
    const auto line = [&](std::string_view name, const DigitTest& t) {
      if (skipped) return fmt::format("  {}：N = {}，笔数不足，不作结论\n", name, t.n);
      return fmt::format("  {}：N = {}，MAD = {:.5f}，{}；偏多的数字：{}\n", name, t.n, t.mad,
                         ConformityChinese(t.conformity), Spikes(t));
    };
    out += "\n本福特定律：\n";
    out += line("首位数字", report.benford.first);
    out += line("前两位数字", report.benford.first_two);
  }
  out += fmt::format("用时 {:.2f} 秒\n", report.seconds);
  return out;
}

namespace {

Json ParametersJson(const ScreenParameters& p) {
  Json calendars = Json::array();
  for (const std::string& c : p.calendar.Describe()) calendars.push_back(c);
  return {
      {"materiality", p.materiality ? Json(p.materiality->ToString()) : Json(nullptr)},
      {"round_unit", p.round_unit.ToString()},
      {"round_min", p.round_min.ToString()},
      {"rare_preparer", p.rare_preparer},
      {"rare_pair", p.rare_pair},
      {"seldom", p.seldom},
      {"period_end_days", p.period_end_days},
      {"duplicate_days", p.duplicate_days},
      {"keywords", p.keywords},
      {"holidays", p.calendar.files()},
      {"calendars", std::move(calendars)},
  };
}

Json TestsJson(const ScreenReport& report) {
  Json tests = Json::array();
  for (const TestResult& r : report.tests) {
    const TestInfo& info = Info(r.id);
    Json t = {{"id", info.word}, {"status", StatusWord(r)}, {"items", r.items.size()}};
    t["unit"] = info.unit;
    t["postings"] = r.listed_postings;
    t["amount"] = r.amount.ToString();
    t["amount_basis"] = info.by_voucher ? "debit" : "absolute";
    if (!r.reason.empty()) t["reason"] = r.reason;
    tests.push_back(std::move(t));
  }
  return tests;
}

Json ItemJson(const ScreenBook& book, const TestResult& r, const ScreenItem& item) {
  Json j = {{"test", Info(r.id).word}, {"voucher", VoucherJson(book, item.voucher)}};
  if (item.reverses >= 0) j["reverses"] = VoucherJson(book, item.reverses);
  j["date"] = item.date ? Json(DateText(item.date)) : Json(nullptr);
  Json postings = Json::array();
  for (int i : r.Postings(item)) {
    const ScreenPosting& x = book.postings[static_cast<std::size_t>(i)];
    postings.push_back(
        {{"table", book.table},
         {"row", x.row},
         {"account", x.account >= 0 ? book.accounts[static_cast<std::size_t>(x.account)].code : ""},
         {"debit", book.Debit(x).ToString()},
         {"credit", book.Credit(x).ToString()},
         {"summary", book.Text(x.summary)}});
  }
  j["postings"] = std::move(postings);
  if (const std::string& reason = r.Reason(item); !reason.empty()) j["reason"] = reason;
  return j;
}

Json Head(const ScreenBook& book, const ScreenReport& report, const Json& extra) {
  Json head = {{"book_set", book.name},
               {"year", book.year ? Json(*book.year) : Json(nullptr)},
               {"parameters", ParametersJson(report.parameters)},
               {"tests", TestsJson(report)},
               {"population", PopulationJson(book)},
               {"tie_out", TieOutJson(book)}};
  if (extra.is_object())
    for (const auto& [key, value] : extra.items()) head[key] = value;
  return head;
}

Json BenfordJson(const ScreenReport& report) {
  if (!report.benford.computed) return nullptr;
  return {{"first", DigitJson(report.benford.first)},
          {"first_two", DigitJson(report.benford.first_two)}};
}

// `json` as ScreenJsonText writes it, each line after the first indented by `indent`
// more blanks: a value nested in the object being written. (Strings hold no line
// breaks: JSON escapes them.)
void AppendNested(std::string& out, const Json& json, std::size_t indent) {
  const std::string text = ScreenJsonText(json);
  out.reserve(out.size() + text.size() + 64);
  std::size_t from = 0;
  for (std::size_t nl; (nl = text.find('\n', from)) != std::string::npos; from = nl + 1) {
    out.append(text, from, nl + 1 - from);
    out.append(indent, ' ');
  }
  out.append(text, from, std::string::npos);
}

// The amount of a posting's units at its scale as Amount::ToString writes it.
void AppendAmount(std::string& out, std::int64_t units, int scale) {
  const bool negative = units < 0;
  std::uint64_t magnitude = negative ? std::uint64_t{0} - static_cast<std::uint64_t>(units)
                                     : static_cast<std::uint64_t>(units);
  char digits[40];  // least significant first
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  while (n < scale + 1) digits[n++] = '0';
  // At least two decimals, no trailing zeros beyond them.
  int low = 0;
  while (scale - low > 2 && digits[low] == '0') ++low;
  if (negative) out.push_back('-');
  for (int i = n - 1; i >= scale; --i) out.push_back(digits[i]);
  out.push_back('.');
  for (int i = scale - 1; i >= low; --i) out.push_back(digits[i]);
  for (int kept = scale - low; kept < 2; ++kept) out.push_back('0');
}

// An item of ItemJson written straight out, in the form ScreenJsonText gives it
// nested in the array "items": its lines indented by four blanks more.
class ItemWriter {
 public:
  ItemWriter(const ScreenBook& book, JsonWriter& out) : book_(book), out_(out) {
    // The start of every posting up to its row number, the table's name included.
    JsonWriter start([](std::string_view) {}, 256);
    start.Raw("{\n          \"table\": ");
    start.String(book.table);
    start.Raw(",\n          \"row\": ");
    posting_start_ = start.buffer();
  }

  void Write(const TestResult& r, const ScreenItem& item) const {
    out_.Raw("{\n      \"test\": ");
    out_.String(Info(r.id).word);
    out_.Raw(",\n      \"voucher\": ");
    Voucher(item.voucher);
    if (item.reverses >= 0) {
      out_.Raw(",\n      \"reverses\": ");
      Voucher(item.reverses);
    }
    out_.Raw(",\n      \"date\": ");
    if (item.date) {
      out_.String(DateText(item.date));
    } else {
      out_.Raw("null");
    }
    out_.Raw(",\n      \"postings\": [");
    const std::span<const int> postings = r.Postings(item);
    for (std::size_t k = 0; k < postings.size(); ++k) {
      out_.Raw(k == 0 ? "\n        " : ",\n        ");
      Posting(book_.postings[static_cast<std::size_t>(postings[k])]);
    }
    out_.Raw(postings.empty() ? "]" : "\n      ]");
    if (const std::string& reason = r.Reason(item); !reason.empty()) {
      out_.Raw(",\n      \"reason\": ");
      out_.String(reason);
    }
    out_.Raw("\n    }");
  }

 private:
  void Voucher(int v) const {
    if (v < 0) {
      out_.Raw("null");
      return;
    }
    const ScreenVoucher& x = book_.vouchers[static_cast<std::size_t>(v)];
    out_.Raw("{\n        \"year\": ");
    out_.Integer(x.year);
    out_.Raw(",\n        \"month\": ");
    out_.Integer(x.month);
    out_.Raw(",\n        \"type\": ");
    out_.String(book_.Type(x));
    out_.Raw(",\n        \"number\": ");
    out_.String(book_.Number(x));
    out_.Raw("\n      }");
  }

  void Posting(const ScreenPosting& x) const {
    out_.Raw(posting_start_);
    out_.Integer(x.row);
    out_.Raw(",\n          \"account\": ");
    out_.String(x.account >= 0
                    ? std::string_view(book_.accounts[static_cast<std::size_t>(x.account)].code)
                    : std::string_view());
    out_.Raw(",\n          \"debit\": \"");
    AmountText(x.debit_units, x.debit_scale, true, x);
    out_.Raw("\",\n          \"credit\": \"");
    AmountText(x.credit_units, x.credit_scale, false, x);
    out_.Raw("\",\n          \"summary\": ");
    out_.String(book_.Text(x.summary));
    out_.Raw("\n        }");
  }

  // Digits, a sign and a point: nothing to escape.
  void AmountText(std::int64_t units, std::int8_t scale, bool debit, const ScreenPosting& x) const {
    if (scale == kWideAmount)
      out_.Raw((debit ? book_.Debit(x) : book_.Credit(x)).ToString());
    else
      AppendAmount(out_.buffer(), units, scale);
  }

  const ScreenBook& book_;
  JsonWriter& out_;
  std::string posting_start_;
};

}  // namespace

Json ScreenJson(const ScreenBook& book, const ScreenReport& report, bool with_items,
                const Json& extra) {
  Json out = Head(book, report, extra);
  if (with_items) {
    Json items = Json::array();
    for (const TestResult& r : report.tests)
      for (const ScreenItem& item : r.items) items.push_back(ItemJson(book, r, item));
    out["items"] = std::move(items);
  }
  out["benford"] = BenfordJson(report);
  return out;
}

void WriteScreenJson(const ScreenBook& book, const ScreenReport& report,
                     const std::function<void(std::string_view)>& write, const Json& extra) {
  JsonWriter out(write);
  // The head (book set to the tie-out and `extra`) as one object, without its closing
  // line.
  std::string head = ScreenJsonText(Head(book, report, extra));
  head.resize(head.size() - 2);  // "\n}"
  out.Raw(head);
  out.Raw(",\n  \"items\": [");
  // The items one at a time, as the dump of ItemJson would write them.
  const ItemWriter items(book, out);
  bool any = false;
  for (const TestResult& r : report.tests) {
    for (const ScreenItem& item : r.items) {
      out.Raw(any ? ",\n    " : "\n    ");
      any = true;
      items.Write(r, item);
      out.Pass();
    }
  }
  out.Raw(any ? "\n  ],\n  \"benford\": " : "],\n  \"benford\": ");
  std::string benford;
  AppendNested(benford, BenfordJson(report), 2);
  out.Raw(benford);
  out.Raw("\n}");
  out.Finish();
}

std::string ScreenJsonText(const Json& json) {
  return json.dump(2, ' ', false, Json::error_handler_t::replace);
}

}  // namespace qoru::screening
