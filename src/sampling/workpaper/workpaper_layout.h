// How the sample and evaluation workpapers lay out their sheets: the column names of the
// sheet 样本, the cover's head and its table of files, a table sheet with its header
// frozen, filtered and repeated on every printed page (landscape, one page wide, page N
// of M), the rows of the selected items and the strata. The cover and the files table are
// kept small and apart, to give way to the shared provenance of all workpapers.
#pragma once

#include <xlsxwriter.h>

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "sampling/report/sample_listing.h"
#include "sampling/report/sample_words.h"
#include "sampling/workpaper/provenance.h"
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

// An amount as the number a cell holds; a decimal text likewise (0 when it is none).
double AmountNumber(const Amount& a);
double DecimalNumber(const std::string& text);

// The cover sheet with its title in the first row, set up for printing; its rows are
// label, value, note from the third row on.
lxw_worksheet* StartCover(workbook::Workbook& b, const std::string& title,
                          const std::string& book_set);
// The files read, under the heading 来源文件 at `row`.
void WriteFiles(workbook::Workbook& b, lxw_worksheet* s, std::size_t row,
                const std::vector<SourceFile>& files);
// A sheet of a table with `columns` as its header row.
lxw_worksheet* StartTable(workbook::Workbook& b, const std::string& name,
                          const std::vector<std::string>& columns, const std::string& book_set);

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
  void NextRow() { ++row_; }
  void Finish();  // the filter over the rows written

 private:
  int Col(const std::string& name) const;
  void Posting(const ListedPosting& p);

  workbook::Workbook& b_;
  lxw_worksheet* s_;
  std::map<std::string, int> columns_;
  std::size_t row_ = 1;
};

// The sheet 分层.
void WriteStrata(workbook::Workbook& b, const std::vector<Stratum>& strata,
                 const std::string& book_set);

}  // namespace qoru::sampling
