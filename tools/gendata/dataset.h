// Data sets for tests, examples and benchmarks: the text files that an ERP's book set
// is exported to, as the converter reads them.
//
// A data set is a flat directory of GBK text files with CR LF line ends: the format
// description GSSM.txt, the chart of accounts KJKM.txt, the balances KMYE.txt, the
// vouchers JZPZ.txt and one archive file per auxiliary item type. Table files carry
// no header line; their values are separated by TAB.
//
// Everything here is deterministic: the same options (seed included) give the same
// bytes on every machine, because the generator draws from its own PRNG.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace qoru::gen {

inline constexpr const char* kDescriptionFile = "GSSM.txt";
inline constexpr const char* kChartFile = "KJKM.txt";
inline constexpr const char* kBalanceFile = "KMYE.txt";
inline constexpr const char* kVoucherFile = "JZPZ.txt";

// One auxiliary item type: its archive lists codes and names.
struct AuxTypeSpec {
  std::string name;         // UTF-8 type name, e.g. "部门"; also the archive's column prefix
  std::string file_name;    // archive file, e.g. "BMDA.txt"
  int rows = 10;            // archive rows with usable codes (at least 1 for the type to be used)
  std::string code_prefix;  // codes are prefix + zero-padded number, e.g. "P" -> P001
  int code_width = 3;       // digits of the number
};

// 部门 (BMDA.txt), 项目 (XMDA.txt) and 往来单位 (WLDW.txt).
std::vector<AuxTypeSpec> DefaultAuxTypes();

struct DatasetOptions {
  std::uint64_t seed = 1;
  int top_accounts = 20;  // 4-digit accounts; beyond the standard chart they get made-up codes
  int depth = 3;          // levels of the chart, 1 to 5 (codes of 4, 6, 8, 10, 12 digits)
  int max_children = 3;   // most sub-accounts under one account (0 to 99)
  int postings = 200;     // rows of JZPZ.txt
  int balances = 50;      // rows of KMYE.txt
  int year = 2026;        // voucher dates fall in this month
  int month = 3;
  std::vector<AuxTypeSpec> aux_types = DefaultAuxTypes();

  // Leaves some parent accounts out of the chart; at depth 3 or more at least one
  // 8-digit account misses both its 6-digit parent and its 4-digit grandparent, and
  // the children of that 6-digit parent have both balance directions.
  bool omit_parents = false;
  bool other_currencies = false;  // some vouchers and balances in 美元, 欧元, 港币, 日元
  bool void_postings = false;     // some vouchers with 作废标志 "1"
  // Auxiliary groups that are partial ("01" for 部门/项目), end in "/" ("01/") or are
  // blank (empty or only spaces) beside the full ones.
  bool irregular_aux_groups = false;
  // Archive rows whose code has blanks around it, whose code repeats an earlier one,
  // and whose code is only blanks, after the regular rows.
  bool irregular_archives = false;
  // Summaries holding commas ("支付运费,装卸费") or double quotes, and amounts written
  // with thousands separators ("1,000.00"). A converter that reads the files as
  // comma-separated text must survive them; its result is then not meaningful.
  bool commas_and_quotes = false;
  // Wide voucher rows: twenty columns (审核人, 记账人, 出纳, 附件数, 结算方式, 结算号,
  // 业务日期, 外币金额 and 汇率 after 制单人) and summaries of forty to eighty characters.
  bool wide_rows = false;
};

// Turns on every irregularity that keeps the result meaningful: parents left out, other
// currencies, void postings, irregular auxiliary groups and archives (not the commas).
void EnableIrregularities(DatasetOptions& options);

// What a data set holds. Row counts leave GSSM.txt out.
struct DatasetSummary {
  std::map<std::string, std::size_t> file_rows;  // table or archive file name -> rows written
  std::size_t accounts = 0;                      // rows of KJKM.txt
  std::size_t omitted_accounts = 0;         // accounts of the generated chart left out of KJKM.txt
  std::size_t accounts_without_parent = 0;  // written accounts longer than 4 whose parent is absent
  std::size_t postings = 0;                 // rows of JZPZ.txt
  std::size_t void_postings = 0;            // of them with 作废标志 "1"
  std::size_t foreign_postings = 0;         // of them in a currency other than 人民币
  std::size_t aux_postings = 0;             // of them whose 辅助核算组 is not blank
  std::size_t rmb_aux_postings = 0;         // 人民币, not void, auxiliary group not blank
  std::size_t balances = 0;                 // rows of KMYE.txt
  std::size_t foreign_balances = 0;         // of them in a currency other than 人民币
  std::size_t aux_balances = 0;             // of them whose 辅助核算组 is not blank
  std::size_t rmb_aux_balances = 0;         // 人民币 and auxiliary group not blank
  std::size_t odd_rows = 0;                 // rows of any table holding a comma or a double quote
  std::uint64_t bytes = 0;                  // size of all files, GSSM.txt included
};

// Writes a generated data set into the existing directory `dir`, replacing files of
// the same names. Raises std::runtime_error when a file cannot be written.
DatasetSummary WriteDataset(const std::string& dir, const DatasetOptions& options);

// Writes the fixed sample data set that examples/sample holds (see its README).
DatasetSummary WriteSampleDataset(const std::string& dir);

// Writes a voucher-like table text (11 TAB-separated columns, GBK) of about
// `approx_bytes` bytes: rows are added until the size is reached, so it overshoots by
// less than one row. Memory stays bounded whatever the size. Lines end in CR LF; with
// `lf_line_ends` about one line in eight ends in LF alone. Returns the bytes written.
std::uint64_t WriteLargeTable(const std::string& path, std::uint64_t approx_bytes,
                              std::uint64_t seed, bool lf_line_ends = false);

}  // namespace qoru::gen
