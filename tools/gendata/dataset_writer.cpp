#include "gendata/dataset_writer.h"

#include <algorithm>
#include <stdexcept>

#include "text/gbk_codec.h"

namespace qoru::gen {
namespace {

constexpr std::size_t kFlushSize = 1 << 16;

struct ColumnSpec {
  const char* name;
  const char* type;  // type and length as the ERP writes them; readers ignore them
};

constexpr ColumnSpec kChartColumns[] = {{"科目编号", "文本,40"},
                                        {"科目名称", "文本,100"},
                                        {"余额方向", "文本,2"},
                                        {"辅助核算项", "文本,100"}};
constexpr ColumnSpec kBalanceColumns[] = {{"科目编号", "文本,40"},   {"币种", "文本,10"},
                                          {"期初余额", "数值,20"},   {"借方发生额", "数值,20"},
                                          {"贷方发生额", "数值,20"}, {"期末余额", "数值,20"},
                                          {"辅助核算组", "文本,200"}};
constexpr ColumnSpec kPostingColumns[] = {
    {"凭证日期", "日期,10"},    {"凭证字", "文本,4"},    {"凭证号", "文本,10"},
    {"摘要", "文本,200"},       {"科目编号", "文本,40"}, {"币种", "文本,10"},
    {"借方金额", "数值,20"},    {"贷方金额", "数值,20"}, {"作废标志", "文本,1"},
    {"辅助核算组", "文本,200"}, {"制单人", "文本,20"}};
constexpr ColumnSpec kWidePostingColumns[] = {
    {"凭证日期", "日期,10"},    {"凭证字", "文本,4"},    {"凭证号", "文本,10"},
    {"摘要", "文本,200"},       {"科目编号", "文本,40"}, {"币种", "文本,10"},
    {"借方金额", "数值,20"},    {"贷方金额", "数值,20"}, {"作废标志", "文本,1"},
    {"辅助核算组", "文本,200"}, {"制单人", "文本,20"},   {"审核人", "文本,20"},
    {"记账人", "文本,20"},      {"出纳", "文本,20"},     {"附件数", "数值,4"},
    {"结算方式", "文本,20"},    {"结算号", "文本,30"},   {"业务日期", "日期,10"},
    {"外币金额", "数值,20"},    {"汇率", "数值,12"}};

template <std::size_t N>
void TableSection(GbkTextFile& out, const char* section, const char* file,
                  const ColumnSpec (&columns)[N]) {
  out.Line(std::string("[") + section + "]");
  out.Line(file);
  for (const ColumnSpec& c : columns) out.Line(std::string(c.name) + "," + c.type);
  out.Line("");
}

}  // namespace

GbkTextFile::GbkTextFile(std::string path)
    : path_(std::move(path)), file_(std::make_unique<LineWriter>(path_, 0)) {
  buffer_.reserve(kFlushSize + 4096);
}

GbkTextFile::~GbkTextFile() {
  try {
    Close();
  } catch (...) {
    // A destructor that runs during unwinding must not raise; Close() reports normally.
  }
}

void GbkTextFile::Append(std::string_view utf8) {
  ConversionStats stats;
  const std::string gbk = Utf8ToGbk(utf8, &stats);
  if (stats.replaced != 0) throw std::logic_error("GBK 无法表示的文字：" + std::string(utf8));
  buffer_ += gbk;
}

void GbkTextFile::Row(const std::string_view* values, std::size_t count) {
  const std::size_t before = buffer_.size();
  for (std::size_t i = 0; i < count; ++i) {
    if (i != 0) buffer_ += '\t';
    Append(values[i]);
  }
  buffer_ += "\r\n";
  bytes_ += buffer_.size() - before;
  ++rows_;
  if (buffer_.size() >= kFlushSize) {
    file_->Write(buffer_);
    buffer_.clear();
  }
}

void GbkTextFile::Line(std::string_view utf8) {
  const std::string_view one[] = {utf8};
  Row(one, 1);
}

void GbkTextFile::Close() {
  if (file_ == nullptr) return;
  const std::unique_ptr<LineWriter> file = std::move(file_);
  file->Write(buffer_);
  buffer_.clear();
  file->Close();
}

std::uint64_t WriteFormatDescription(const std::string& path, const std::vector<AuxTypeSpec>& types,
                                     bool wide) {
  GbkTextFile out(path);
  TableSection(out, "会计科目", kChartFile, kChartColumns);
  TableSection(out, "科目余额及发生额", kBalanceFile, kBalanceColumns);
  if (wide) {
    TableSection(out, "记账凭证", kVoucherFile, kWidePostingColumns);
  } else {
    TableSection(out, "记账凭证", kVoucherFile, kPostingColumns);
  }
  out.Line("[辅助核算项档案]");
  for (const AuxTypeSpec& t : types) out.Line(t.name);
  out.Line("");
  for (const AuxTypeSpec& t : types) {
    out.Line("[" + t.name + "]");
    out.Line(t.file_name);
    out.Line(t.name + "编号,文本,20");
    out.Line(t.name + "名称,文本,60");
    out.Line("");
  }
  out.Close();
  return out.bytes();
}

std::string FormatAmount(std::int64_t cents, bool thousands) {
  const bool negative = cents < 0;
  const std::uint64_t magnitude =
      negative ? 0 - static_cast<std::uint64_t>(cents) : static_cast<std::uint64_t>(cents);
  std::string units = std::to_string(magnitude / 100);
  if (thousands) {
    for (std::size_t i = units.size(); i > 3; i -= 3) units.insert(i - 3, ",");
  }
  const unsigned fraction = static_cast<unsigned>(magnitude % 100);
  std::string text = negative ? "-" : "";
  text += units;
  text += '.';
  text += static_cast<char>('0' + fraction / 10);
  text += static_cast<char>('0' + fraction % 10);
  return text;
}

bool HasText(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) > ' ') return true;
  return false;
}

DatasetWriter::DatasetWriter(const std::string& dir, const std::vector<AuxTypeSpec>& types,
                             bool wide)
    : dir_(dir.empty() || dir.back() == '/' ? dir : dir + "/"), wide_(wide) {
  description_bytes_ = WriteFormatDescription(dir_ + kDescriptionFile, types, wide);
  chart_ = std::make_unique<GbkTextFile>(dir_ + kChartFile);
  balances_ = std::make_unique<GbkTextFile>(dir_ + kBalanceFile);
  postings_ = std::make_unique<GbkTextFile>(dir_ + kVoucherFile);
  for (const AuxTypeSpec& t : types) {
    archives_.push_back(std::make_unique<GbkTextFile>(dir_ + t.file_name));
    archive_names_.push_back(t.file_name);
  }
}

void DatasetWriter::CountOdd(const std::string_view* values, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    if (values[i].find_first_of(",\"") != std::string_view::npos) {
      ++summary_.odd_rows;
      return;
    }
  }
}

void DatasetWriter::Account(const ChartRow& row) {
  chart_->Row(row);
  CountOdd(row.data(), row.size());
  codes_.emplace(row[0]);
}

void DatasetWriter::Balance(const BalanceRow& row) {
  balances_->Row(row);
  CountOdd(row.data(), row.size());
  const bool rmb = row[1] == kRenminbi;
  const bool aux = HasText(row[6]);
  if (!rmb) ++summary_.foreign_balances;
  if (aux) ++summary_.aux_balances;
  if (rmb && aux) ++summary_.rmb_aux_balances;
}

void DatasetWriter::Posting(const PostingRow& row, const PostingExtra* extra) {
  if (wide_) {
    if (extra == nullptr) throw std::logic_error("a wide voucher table needs all its columns");
    std::array<std::string_view, 20> all{};
    std::copy(row.begin(), row.end(), all.begin());
    std::copy(extra->begin(), extra->end(), all.begin() + row.size());
    postings_->Row(all);
    CountOdd(all.data(), all.size());
  } else {
    postings_->Row(row);
    CountOdd(row.data(), row.size());
  }
  const bool rmb = row[5] == kRenminbi;
  const bool valid = row[8] == "0";
  const bool aux = HasText(row[9]);
  if (!rmb) ++summary_.foreign_postings;
  if (row[8] == "1") ++summary_.void_postings;
  if (aux) ++summary_.aux_postings;
  if (rmb && valid && aux) ++summary_.rmb_aux_postings;
}

void DatasetWriter::ArchiveRow(std::size_t type, std::string_view code, std::string_view name) {
  const std::array<std::string_view, 2> row = {code, name};
  archives_.at(type)->Row(row);
  CountOdd(row.data(), row.size());
}

DatasetSummary DatasetWriter::Finish() {
  DatasetSummary s = summary_;
  s.bytes = description_bytes_;
  auto close = [&s](GbkTextFile& file, const std::string& name) {
    file.Close();
    s.file_rows[name] += file.rows();
    s.bytes += file.bytes();
  };
  close(*chart_, kChartFile);
  close(*balances_, kBalanceFile);
  close(*postings_, kVoucherFile);
  for (std::size_t i = 0; i < archives_.size(); ++i) close(*archives_[i], archive_names_[i]);
  s.accounts = chart_->rows();
  s.balances = balances_->rows();
  s.postings = postings_->rows();
  for (const std::string& code : codes_) {
    if (code.size() > 4 && codes_.count(code.substr(0, code.size() - 2)) == 0)
      ++s.accounts_without_parent;
  }
  return s;
}

}  // namespace qoru::gen
