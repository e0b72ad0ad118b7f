#include "sampling/workpaper/workpaper_layout.h"

#include <charconv>

#include <fmt/format.h>

namespace qoru::sampling {

double DecimalNumber(const std::string& text) {
  // Whatever the locale: from_chars reads the C form and rounds correctly.
  double v = 0;
  const char* begin = text.data();
  if (!text.empty() && text[0] == '+') ++begin;
  std::from_chars(begin, text.data() + text.size(), v);
  return v;
}

bool ExactAsNumber(const std::string& decimal) {
  int digits = 0;
  bool leading = true;
  for (const char c : decimal) {
    if (c < '0' || c > '9') continue;
    if (leading && c == '0') continue;
    leading = false;
    ++digits;
  }
  return digits <= 15;
}

lxw_worksheet* StartCover(workbook::Workbook& b, const std::string& title) {
  lxw_worksheet* s = b.Sheet("概览");
  b.Width(s, 0, 0, 22);
  b.Width(s, 1, 1, 40);
  b.Text(s, 0, 0, title, b.bold());
  return s;
}

std::size_t WriteCoverProvenance(workbook::Workbook& b, lxw_worksheet* s, std::size_t row,
                                 const provenance::Provenance& p) {
  return provenance::WriteProvenance(b, s, row + 1, p, kProvenanceTitle);
}

lxw_worksheet* StartTable(workbook::Workbook& b, const std::string& name,
                          const std::vector<std::string>& columns) {
  lxw_worksheet* s = b.Sheet(name);
  for (std::size_t c = 0; c < columns.size(); ++c)
    b.Text(s, 0, static_cast<int>(c), columns[c], b.bold());
  // The auditor's columns: room to write an amount or a remark.
  for (std::size_t c = 0; c < columns.size(); ++c) {
    const std::string& n = columns[c];
    if (n == "审定金额" || n == "回函金额")
      b.Width(s, static_cast<int>(c), static_cast<int>(c), 16);
    if (n == "备注") b.Width(s, static_cast<int>(c), static_cast<int>(c), 28);
  }
  return s;
}

void FinishTable(workbook::Workbook& b, lxw_worksheet* s, std::size_t last_row,
                 std::size_t columns) {
  b.HeaderRow(s, last_row, static_cast<int>(columns) - 1);
  b.FitColumns(s, 6, 60);
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

void SampleSheetWriter::Money(const std::string& column, const std::string& decimal) {
  if (ExactAsNumber(decimal))
    Number(column, DecimalNumber(decimal), true);
  else
    Text(column, decimal);
}

void SampleSheetWriter::Posting(const ListedPosting& p) {
  if (const int c = Col(kLineColumn); c >= 0) b_.Digits(s_, row_, c, p.line);
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
    if (const int c = Col(kNumberColumn); c >= 0) b_.Digits(s_, row_, c, l.number);
  }
  if (unit == Unit::kPosting) Posting(l.postings[0]);
  if (unit == Unit::kBalance) {
    Text(kAccountColumn, l.account);
    Text(kAccountNameColumn, l.account_name);
    Text(kAuxTypeColumn, l.aux_types);
    Text(kAuxCodeColumn, l.aux_code);
    Text(kAuxNameColumn, l.aux_name);
    Money(kBalanceColumn, (l.balance.units() < 0 ? -l.balance : l.balance).ToString());
    Text(kDirectionColumn, DirectionWord(l.balance));
  }
  Money(kBookColumn, l.amount.ToString());
  Number(kHitsColumn, static_cast<double>(l.hits), false);
  ++row_;
}

void SampleSheetWriter::VoucherPosting(const ListedPosting& p) {
  if (!p.counted) Text(kStratumColumn, kOtherAccountWord);
  Posting(p);
  Money(kDebitColumn, p.debit.ToString());
  Money(kCreditColumn, p.credit.ToString());
  ++row_;
}

void SampleSheetWriter::Finish() {
  FinishTable(b_, s_, row_ - 1, columns_.size());
}

void WriteStrata(workbook::Workbook& b, const std::vector<Stratum>& strata) {
  const std::vector<std::string> columns = {"层", "项目数", "金额", "选中项目数"};
  lxw_worksheet* s = StartTable(b, "分层", columns);
  std::size_t row = 1;
  for (const Stratum& st : strata) {
    b.Text(s, row, 0, st.name);
    b.Number(s, row, 1, static_cast<double>(st.items));
    b.Number(s, row, 2, DecimalNumber(st.total_text), b.money());
    if (!st.left_out) b.Number(s, row, 3, static_cast<double>(st.selected));
    ++row;
  }
  FinishTable(b, s, row - 1, columns.size());
}

}  // namespace qoru::sampling
