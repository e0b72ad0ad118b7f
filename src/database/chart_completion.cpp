#include "database/chart_completion.h"

#include <algorithm>
#include <vector>

#include <fmt/format.h>

#include "database/import/csv_reader.h"
#include "database/query/query.h"
#include "database/query/statement_runner.h"
#include "database/sql/jet_translator.h"
#include "database/staging_database.h"
#include "faces/progress_bar.h"
#include "faces/stage_host.h"
#include "files/os_file.h"
#include "files/path_text.h"
#include "text/gbk_codec.h"
#include "text/gbk_text.h"

namespace qoru::db {

std::string ParentAccountStatement(int n) {
  // Thirteen pieces, joined with nothing between them; the blanks are part of them.
  const std::string a = std::to_string(n);
  const std::string b = std::to_string(n - 2);
  return Gbk(" select a.科目编码1 as 科目编号,a.科目名称,a.余额方向,b.科目名称 as aa into tmp") +
         a + " from (  " + Gbk(" select distinct left(科目编号,") + b +
         Gbk(") as 科目编码1,'系统生成' as 科目名称, 余额方向 from kjkm ") +
         Gbk(" where len(科目编号)=") + a + ") " +
         Gbk(" a left join (select * from kjkm  where  len(科目编号)=") + b +
         Gbk(") b on a.科目编码1=b.科目编号  ") + Gbk(" where b.科目名称 is null ");
}

std::string InsertParentsStatement(int n) {
  return Gbk("insert into kjkm(科目编号,科目名称,余额方向)  select distinct "
             "科目编号,科目名称,余额方向 "
             "from tmp") +
         std::to_string(n);
}

std::string LongestCodeStatement(const std::string& chart_table) {
  return Gbk("select max(len(科目编号)) as kmlength from  ") + QuoteName(chart_table);
}

namespace {

std::size_t CharacterCount(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < text.size(); i += GbkCharLength(text, i)) ++count;
  return count;
}

// The line (in the source file) and the length of the first code of the staged chart
// text longer than `limit`; {0, 0} when none is found there.
std::pair<std::uint64_t, std::size_t> FindLongCode(const ChartCodeRule& rule, std::size_t limit) {
  const int fd = os::OpenRead(rule.chart_text);
  if (fd < 0) return {0, 0};
  struct Closer {
    int fd;
    ~Closer() { os::Close(fd); }
  } closer{fd};
  try {
    CsvReader reader(fd, PathText(rule.chart_text));
    std::vector<CsvField> fields;
    bool blank = false;
    if (!reader.Next(fields, &blank)) return {0, 0};
    static const std::string kCode = Gbk("科目编号");
    const auto column = std::find_if(fields.begin(), fields.end(), [](const CsvField& f) {
      return AsciiLower(f.bytes) == kCode;
    });
    if (column == fields.end()) return {0, 0};
    const auto index = static_cast<std::size_t>(column - fields.begin());
    while (reader.Next(fields, &blank)) {
      if (index >= fields.size()) continue;
      const std::size_t length = CharacterCount(fields[index].bytes);
      if (length > limit && reader.record_line() > rule.header_lines)
        return {reader.record_line() - rule.header_lines, length};
    }
  } catch (const std::exception&) {
    // The line is only for the message.
  }
  return {0, 0};
}

[[noreturn]] void RefuseLongCode(const ChartCodeRule& rule, const std::string& accounts_file,
                                 std::size_t longest) {
  const std::size_t limit = rule.Limit();
  const auto [line, length] = FindLongCode(rule, limit);
  const std::string where = line > 0 ? fmt::format("会计科目文件 {} 第 {} 行的科目编号有 {} 个字符",
                                                   GbkToUtf8(accounts_file), line, length)
                                     : fmt::format("会计科目文件 {} 中最长的科目编号有 {} 个字符",
                                                   GbkToUtf8(accounts_file), longest);
  const std::string bound =
      rule.declared_width > 0 && rule.declared_width <= kWidestTextColumn
          ? fmt::format("超过了格式说明 GSSM.txt 第 {} 行为科目编号声明的宽度 {}", rule.declared_at,
                        rule.declared_width)
          : fmt::format("超过了文本列最多能容纳的 {} 个字符", kWidestTextColumn);
  throw ChartCodeTooLongError(
      fmt::format("{}，{}：科目编号过长，无法补全上级科目，转换在此停止", where, bound),
      accounts_file, line);
}

}  // namespace

std::size_t ChartCodeRule::Limit() const {
  return declared_width > 0 ? std::min(declared_width, kWidestTextColumn) : kWidestTextColumn;
}

void CompleteChartOfAccounts(StatementRunner& runner, StageHost& host,
                             const std::string& accounts_file, const ChartCodeRule& rule) {
  // The chart table is named after its file, less the last four characters.
  const std::string table = ImportTableName("=" + accounts_file);
  runner.OpenQuery(LongestCodeStatement(table));
  Query& query = runner.main_query();
  query.First();
  const std::int64_t longest = query.FieldByName("kmlength").AsInteger();
  if (longest > static_cast<std::int64_t>(rule.Limit()))
    RefuseLongCode(rule, accounts_file, static_cast<std::size_t>(longest));
  auto n = static_cast<int>(longest);

  ProgressBar& bar = host.Progress();
  bar.SetTotalParts(4);
  bar.SetPartsComplete(0);
  host.Yield();
  while (n > 4) {
    runner.ExecuteStatement(ParentAccountStatement(n));
    runner.ExecuteStatement(InsertParentsStatement(n));
    n -= 2;
    bar.SetPartsComplete(bar.PartsComplete() + 1);
    host.Yield();
  }
  bar.SetPartsComplete(4);
  host.Yield();
}

}  // namespace qoru::db
