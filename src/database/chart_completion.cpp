#include "database/chart_completion.h"

#include "database/query.h"
#include "database/staging_database.h"
#include "database/statement_runner.h"
#include "platform/gbk_codec.h"
#include "platform/progress_bar.h"
#include "platform/stage_host.h"

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
  return Gbk("select max(len(科目编号)) as kmlength from  ") + chart_table;
}

void CompleteChartOfAccounts(StatementRunner& runner, StageHost& host,
                             const std::string& accounts_file) {
  // The chart table is named after its file, less the last four characters.
  const std::string table = ImportTableName("=" + accounts_file);
  runner.OpenQuery(LongestCodeStatement(table));
  Query& query = runner.main_query();
  query.First();
  auto n = static_cast<int>(query.FieldByName("kmlength").AsInteger());

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
