#include "sampling/workpaper/workpaper_layout.h"

#include <charconv>

#include <fmt/format.h>

namespace qoru::sampling {
namespace {

void PrintSetUp(lxw_worksheet* s, const std::string& book_set, std::size_t header_rows) {
  worksheet_set_landscape(s);
  worksheet_set_paper(s, 9);  // A4
  worksheet_fit_to_pages(s, 1, 0);
  if (header_rows > 0) worksheet_repeat_rows(s, 0, static_cast<lxw_row_t>(header_rows - 1));
  // "&" starts a code of the header: a book set's own is doubled.
  std::string name;
  for (char c : book_set) name += c == '&' ? std::string("&&") : std::string(1, c);
  const std::string header = "&L" + name + "&R&A";
  const std::string footer = "&C第 &P 页，共 &N 页";
  worksheet_set_header(s, header.c_str());
  worksheet_set_footer(s, footer.c_str());
}

bool AllDigits(const std::string& s) {
  return !s.empty() && s.size() <= 9 && s.find_first_not_of("0123456789") == std::string::npos;
}

}  // namespace

double DecimalNumber(const std::string& text) {
  // Whatever the locale: from_chars reads the C form and rounds correctly.
  double v = 0;
  const char* begin = text.data();
  if (!text.empty() && text[0] == '+') ++begin;
  std::from_chars(begin, text.data() + text.size(), v);
  return v;
}

double AmountNumber(const Amount& a) {
  return DecimalNumber(a.ToString());
}

lxw_worksheet* StartCover(workbook::Workbook& b, const std::string& title,
                          const std::string& book_set) {
  lxw_worksheet* s = b.Sheet("概览");
  worksheet_set_column(s, 0, 0, 22, nullptr);
  worksheet_set_column(s, 1, 1, 40, nullptr);
  worksheet_set_column(s, 2, 2, 70, nullptr);
  b.Text(s, 0, 0, title, b.bold());
  PrintSetUp(s, book_set, 0);
  return s;
}

void WriteFiles(workbook::Workbook& b, lxw_worksheet* s, std::size_t row,
                const std::vector<SourceFile>& files) {
  b.Text(s, row, 0, "来源文件", b.bold());
  b.Text(s, row, 1, "大小（字节）", b.bold());
  b.Text(s, row, 2, "SHA-256", b.bold());
  for (const SourceFile& f : files) {
    ++row;
    b.Text(s, row, 0, f.path);
    b.Text(s, row, 1, std::to_string(f.size));
    b.Text(s, row, 2, f.sha256);
  }
}

lxw_worksheet* StartTable(workbook::Workbook& b, const std::string& name,
                          const std::vector<std::string>& columns, const std::string& book_set) {
  lxw_worksheet* s = b.Sheet(name);
  worksheet_freeze_panes(s, 1, 0);
  for (std::size_t c = 0; c < columns.size(); ++c) {
    const std::string& n = columns[c];
    double width = 12;
    if (n == kSummaryColumn || n == kAccountNameColumn || n == kAuxNameColumn || n == "备注")
      width = 28;
    if (n == kIndexColumn || n == kHitsColumn || n == kLineColumn || n == kDirectionColumn)
      width = 8;
    if (n == kBookColumn || n == kDebitColumn || n == kCreditColumn || n == kBalanceColumn ||
        n == "审定金额" || n == "回函金额")
      width = 16;
    worksheet_set_column(s, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c), width, nullptr);
    b.Text(s, 0, static_cast<int>(c), n, b.bold());
  }
  PrintSetUp(s, book_set, 1);
  return s;
}

SampleSheetWriter::SampleSheetWriter(workbook::Workbook& b, lxw_worksheet* s,
                                     const std::vector<std::string>& columns)
    : b_(b), s_(s) {
  for (std::size_t c = 0; c < columns.size(); ++c) columns_[columns[c]] = static_cast<int>(c);
}

int SampleSheetWriter::Col(const std::string& name) const {
  const auto it = columns_.find(name);
  return it == columns_.end() ? -1 : it->second;
}

void SampleSheetWriter::Text(const std::string& column, const std::string& text) {
  if (const int c = Col(column); c >= 0) b_.Text(s_, row_, c, text);
}

void SampleSheetWriter::Number(const std::string& column, double value, bool money) {
  if (const int c = Col(column); c >= 0)
    b_.Number(s_, row_, c, value, money ? b_.money() : nullptr);
}

void SampleSheetWriter::Posting(const ListedPosting& p) {
  if (AllDigits(p.line))
    Number(kLineColumn, DecimalNumber(p.line), false);
  else
    Text(kLineColumn, p.line);
  Text(kAccountColumn, p.account);
  Text(kAccountNameColumn, p.account_name);
  Text(kSummaryColumn, p.summary);
  Number(kRowColumn, static_cast<double>(p.row), false);
}

void SampleSheetWriter::Item(const ListedItem& l, Unit unit) {
  Number(kIndexColumn, static_cast<double>(l.index), false);
  Text(kStratumColumn, l.top ? kTopWord : kSampleWord);
  if (unit != Unit::kBalance) {
    if (const int c = Col(kDateColumn); c >= 0) b_.Date(s_, row_, c, l.date);
    Text(kTypeColumn, l.type);
    Text(kNumberColumn, l.number);
  }
  if (unit == Unit::kPosting) Posting(l.postings[0]);
  if (unit == Unit::kBalance) {
    Text(kAccountColumn, l.account);
    Text(kAccountNameColumn, l.account_name);
    Text(kAuxTypeColumn, l.aux_types);
    Text(kAuxCodeColumn, l.aux_code);
    Text(kAuxNameColumn, l.aux_name);
    Number(kBalanceColumn, AmountNumber(l.balance.units() < 0 ? -l.balance : l.balance), true);
    Text(kDirectionColumn, DirectionWord(l.balance));
  }
  Number(kBookColumn, AmountNumber(l.amount), true);
  Number(kHitsColumn, static_cast<double>(l.hits), false);
  ++row_;
}

void SampleSheetWriter::VoucherPosting(const ListedPosting& p) {
  if (!p.counted) Text(kStratumColumn, kOtherAccountWord);
  Posting(p);
  Number(kDebitColumn, AmountNumber(p.debit), true);
  Number(kCreditColumn, AmountNumber(p.credit), true);
  ++row_;
}

void SampleSheetWriter::Finish() {
  if (row_ > 1)
    worksheet_autofilter(s_, 0, 0, static_cast<lxw_row_t>(row_ - 1),
                         static_cast<lxw_col_t>(columns_.size() - 1));
}

void WriteStrata(workbook::Workbook& b, const std::vector<Stratum>& strata,
                 const std::string& book_set) {
  const std::vector<std::string> columns = {"层", "项目数", "金额", "选中项目数"};
  lxw_worksheet* s = StartTable(b, "分层", columns, book_set);
  worksheet_set_column(s, 0, 0, 36, nullptr);
  worksheet_set_column(s, 2, 2, 18, nullptr);
  std::size_t row = 1;
  for (const Stratum& st : strata) {
    b.Text(s, row, 0, st.name);
    b.Number(s, row, 1, static_cast<double>(st.items));
    b.Number(s, row, 2, DecimalNumber(st.total_text), b.money());
    if (!st.left_out) b.Number(s, row, 3, static_cast<double>(st.selected));
    ++row;
  }
}

}  // namespace qoru::sampling
