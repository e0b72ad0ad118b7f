// How the sample and evaluation workpapers lay out their sheets: the column names of the
// sheet 样本, the cover's head and its provenance block (the files read and the run, as
// every workpaper records them), a table sheet with its header frozen, filtered and
// repeated on every printed page, its columns as wide as their content, and the rows of
// the selected items and the strata. The workbook sets every sheet up to print
// (landscape A4, one page wide, page N of M).
#pragma once

#include <xlsxwriter.h>

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "provenance/provenance.h"
#include "sampling/report/sample_listing.h"
#include "sampling/report/sample_words.h"
#include "workbook/workbook.h"

namespace qoru::sampling {

inline constexpr const char* kIndexColumn = "序号";
inline constexpr const char* kStratumColumn = "层";
inline constexpr const char* kDateColumn = "凭证日期";
inline constexpr const char* kTypeColumn = "凭证类型";
inline constexpr const char* kNumberColumn = "凭证号";
inline constexpr const char* kLineColumn = "行号";
inline constexpr const char* kAccountColumn = "科目编号";
inline constexpr const char* kAccountNameColumn = "科目名称";
inline constexpr const char* kSummaryColumn = "摘要";
inline constexpr const char* kDebitColumn = "借方金额";
inline constexpr const char* kCreditColumn = "贷方金额";
inline constexpr const char* kBookColumn = "账面金额";
inline constexpr const char* kHitsColumn = "命中次数";
inline constexpr const char* kRowColumn = "表中行";
inline constexpr const char* kAuxTypeColumn = "辅助核算类型";
inline constexpr const char* kAuxCodeColumn = "辅助核算编码";
inline constexpr const char* kAuxNameColumn = "辅助核算名称";
inline constexpr const char* kBalanceColumn = "期末余额";
inline constexpr const char* kDirectionColumn = "方向";
// The stratum word of a voucher's posting of another account.
inline constexpr const char* kOtherAccountWord = "其他科目";

// A decimal text as the number a cell holds (0 when it is none).
double DecimalNumber(const std::string& text);
// Whether a decimal text survives as a number cell: at most 15 significant digits, which
// every spreadsheet program writes and reads back exactly. A longer amount is written
// as its text, so that what the workpaper says, and what the evaluation reads back, is
// the amount itself.
bool ExactAsNumber(const std::string& decimal);

// The cover sheet with its title in the first row; its rows are label, value, note from
// the third row on.
lxw_worksheet* StartCover(workbook::Workbook& b, const std::string& title);
// The heading of the cover's provenance block, which the evaluation finds it by.
inline constexpr const char* kProvenanceTitle = "来源：读取的文件与运行";
// The cover's provenance block from `row`, after a blank row; returns the next free row.
std::size_t WriteCoverProvenance(workbook::Workbook& b, lxw_worksheet* s, std::size_t row,
                                 const provenance::Provenance& p);
// A sheet of a table with `columns` as its header row.
lxw_worksheet* StartTable(workbook::Workbook& b, const std::string& name,
                          const std::vector<std::string>& columns);
// The header row of a table sheet frozen, filtered over rows 0..last_row and repeated on
// every printed page; its columns as wide as their content, but the auditor's, which
// are wide enough to write in.
void FinishTable(workbook::Workbook& b, lxw_worksheet* s, std::size_t last_row,
                 std::size_t columns);

// Writes the rows of the sheet 样本 by column name.
class SampleSheetWriter {
 public:
  SampleSheetWriter(workbook::Workbook& b, lxw_worksheet* s,
                    const std::vector<std::string>& columns);
  void Item(const ListedItem& item, Unit unit);
  void VoucherPosting(const ListedPosting& p);
  // Extra cells of the current row (the evaluation's columns), by name.
  void Text(const std::string& column, const std::string& text);
  void Number(const std::string& column, double value, bool money);
  // An amount in its decimal text: a number cell in the money format, or the text itself
  // where a number would round it (ExactAsNumber).
  void Money(const std::string& column, const std::string& decimal);
  void NextRow() { ++row_; }
  void Finish();  // the header row and the widths (FinishTable) over the rows written

 private:
  int Col(const std::string& name) const;
  void Posting(const ListedPosting& p);

  workbook::Workbook& b_;
  lxw_worksheet* s_;
  std::map<std::string, int> columns_;
  std::size_t row_ = 1;
};

// The sheet 分层.
void WriteStrata(workbook::Workbook& b, const std::vector<Stratum>& strata);

}  // namespace qoru::sampling
