// A large voucher-like table for benchmarks. It is streamed through one buffer, and
// its texts are converted to GBK once, so that a gigabyte costs seconds, not minutes.
#include <string>
#include <vector>

#include "files/text_lines.h"
#include "gendata/dataset.h"
#include "gendata/dataset_writer.h"
#include "gendata/rng.h"
#include "text/gbk_codec.h"

namespace qoru::gen {
namespace {

constexpr std::size_t kBufferSize = 1 << 20;

constexpr const char* kLargeTableSummaries[] = {
    "提取备用金",     "报销差旅费", "支付货款",   "收到货款",     "采购原材料", "销售商品",
    "计提工资",       "支付水电费", "计提折旧",   "结转销售成本", "支付办公费", "银行手续费",
    "报销业务招待费", "缴纳增值税", "预付设备款", "收回员工借款"};
constexpr const char* kAccounts[] = {"1001",   "100201", "100202", "1122",     "122101",
                                     "140301", "2202",   "221101", "22210101", "22210102",
                                     "600101", "6401",   "660101", "660201",   "66020401"};
constexpr const char* kGroups[] = {"",        "",      "",    "01", "02/P001",
                                   "03/P002", "W0001", "05/", "  ", "P003/04"};
constexpr const char* kLargeTableMakers[] = {"张敏", "李伟", "王芳"};

std::vector<std::string> ToGbk(const char* const* texts, std::size_t count) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < count; ++i) out.push_back(Gbk(texts[i]));
  return out;
}

void AppendNumber(std::string& out, std::uint64_t n) {
  char digits[24];
  int len = 0;
  do {
    digits[len++] = static_cast<char>('0' + n % 10);
    n /= 10;
  } while (n != 0);
  while (len > 0) out += digits[--len];
}

void AppendAmount(std::string& out, std::uint64_t cents) {
  AppendNumber(out, cents / 100);
  out += '.';
  out += static_cast<char>('0' + cents / 10 % 10);
  out += static_cast<char>('0' + cents % 10);
}

}  // namespace

std::uint64_t WriteLargeTable(const std::string& path, std::uint64_t approx_bytes,
                              std::uint64_t seed, bool lf_line_ends) {
  LineWriter file(path, 0);  // unbuffered: the lines gather in `buffer`
  const auto summaries = ToGbk(kLargeTableSummaries, std::size(kLargeTableSummaries));
  const auto groups = ToGbk(kGroups, std::size(kGroups));
  const auto makers = ToGbk(kLargeTableMakers, std::size(kLargeTableMakers));
  const std::string word = Gbk("记");
  const std::string rmb = Gbk(kRenminbi);
  const std::string usd = Gbk("美元");

  Rng rng(seed);
  std::string buffer;
  buffer.reserve(kBufferSize + 1024);
  std::uint64_t written = 0;
  auto flush = [&]() {
    file.Write(buffer);
    written += buffer.size();
    buffer.clear();
  };

  std::uint64_t voucher = 1;
  while (written + buffer.size() < approx_bytes) {
    const std::uint64_t day = 1 + voucher / 40000 % 28;
    buffer += "2026-03-";
    buffer += static_cast<char>('0' + day / 10);
    buffer += static_cast<char>('0' + day % 10);
    buffer += '\t';
    buffer += word;
    buffer += '\t';
    AppendNumber(buffer, voucher);
    buffer += '\t';
    buffer += summaries[rng.Below(summaries.size())];
    buffer += '\t';
    buffer += kAccounts[rng.Below(std::size(kAccounts))];
    buffer += '\t';
    buffer += rng.Percent(3) ? usd : rmb;
    buffer += '\t';
    const std::uint64_t cents = 100 + rng.Below(5000000);
    const bool debit = rng.Percent(50);
    if (debit)
      AppendAmount(buffer, cents);
    else
      buffer += "0.00";
    buffer += '\t';
    if (debit)
      buffer += "0.00";
    else
      AppendAmount(buffer, cents);
    buffer += '\t';
    buffer += rng.Percent(1) ? '1' : '0';
    buffer += '\t';
    buffer += groups[rng.Below(groups.size())];
    buffer += '\t';
    buffer += makers[rng.Below(makers.size())];
    buffer += lf_line_ends && rng.Below(8) == 0 ? "\n" : "\r\n";
    if (rng.Below(4) == 0) ++voucher;
    if (buffer.size() >= kBufferSize) flush();
  }
  flush();
  file.Close();
  return written;
}

}  // namespace qoru::gen
