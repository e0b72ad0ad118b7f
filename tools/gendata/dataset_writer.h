// The file side of a data set: GBK text files with CR LF line ends, the format
// description and the counting behind DatasetSummary. Both the random generator and
// the fixed sample write through it, so their files follow the same rules.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "files/text_lines.h"
#include "gendata/dataset.h"

namespace qoru::gen {

inline constexpr std::string_view kRenminbi = "人民币";

// A text file written in GBK. Values and lines are given in UTF-8; a text that GBK
// cannot hold is a programming error and raises std::logic_error. The file is opened
// through the files room (a GBK path; on Windows the wide-character API), and a
// failure to create or write it raises FileError naming the file.
class GbkTextFile {
 public:
  explicit GbkTextFile(std::string path);
  ~GbkTextFile();
  GbkTextFile(const GbkTextFile&) = delete;
  GbkTextFile& operator=(const GbkTextFile&) = delete;

  // The values joined by TAB, then CR LF.
  void Row(const std::string_view* values, std::size_t count);
  template <std::size_t N>
  void Row(const std::array<std::string_view, N>& values) {
    Row(values.data(), N);
  }
  // One line, then CR LF.
  void Line(std::string_view utf8);
  void Close();  // flushes and closes; called by the destructor when forgotten

  std::size_t rows() const { return rows_; }
  std::uint64_t bytes() const { return bytes_; }

 private:
  void Append(std::string_view utf8);

  std::string path_;
  std::unique_ptr<LineWriter> file_;  // unbuffered: the rows gather in buffer_
  std::string buffer_;                // GBK bytes not yet written
  std::size_t rows_ = 0;
  std::uint64_t bytes_ = 0;  // bytes written or buffered
};

// Column layouts of the fixed tables.
using ChartRow = std::array<std::string_view, 4>;  // 科目编号 科目名称 余额方向 辅助核算项
using BalanceRow = std::array<std::string_view, 7>;  // 科目编号 币种 期初 借方 贷方 期末 辅助核算组
using PostingRow = std::array<std::string_view, 11>;  // 凭证日期 … 制单人, as in GSSM.txt
// The nine columns that a wide voucher table has after 制单人: 审核人 … 汇率.
using PostingExtra = std::array<std::string_view, 9>;

// Writes one data set. The constructor writes GSSM.txt and opens every table file;
// rows may then be added to the tables in any interleaving. Finish() closes them and
// returns the counts.
class DatasetWriter {
 public:
  // `wide`: the voucher table has the nine further columns of PostingExtra.
  DatasetWriter(const std::string& dir, const std::vector<AuxTypeSpec>& types, bool wide = false);

  void Account(const ChartRow& row);
  void Balance(const BalanceRow& row);
  // `extra` is required for a wide voucher table and ignored otherwise.
  void Posting(const PostingRow& row, const PostingExtra* extra = nullptr);
  void ArchiveRow(std::size_t type, std::string_view code, std::string_view name);

  DatasetSummary Finish();

 private:
  void CountOdd(const std::string_view* values, std::size_t count);

  std::string dir_;
  std::uint64_t description_bytes_ = 0;
  std::unique_ptr<GbkTextFile> chart_, balances_, postings_;
  std::vector<std::unique_ptr<GbkTextFile>> archives_;
  std::vector<std::string> archive_names_;
  std::set<std::string> codes_;  // account codes written, for the parent count
  bool wide_ = false;            // the voucher table has the columns of PostingExtra
  DatasetSummary summary_;
};

// Writes GSSM.txt for the fixed tables and the given auxiliary item types; `wide`: the
// voucher table has the nine further columns of PostingExtra.
std::uint64_t WriteFormatDescription(const std::string& path, const std::vector<AuxTypeSpec>& types,
                                     bool wide = false);

// "1234.50", "-0.05"; with `thousands` the integer part is grouped: "1,234.50".
std::string FormatAmount(std::int64_t cents, bool thousands = false);

// True when the text holds a character other than blanks and control characters.
bool HasText(std::string_view text);

}  // namespace qoru::gen
