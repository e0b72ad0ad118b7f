#include "auxiliary/aux_info_tables.h"

#include <fmt/format.h>

#include "auxiliary/aux_rule.h"
#include "database/query/statement_runner.h"
#include "database/sql/jet_translator.h"
#include "errors/errors.h"
#include "faces/progress_bar.h"
#include "faces/stage_host.h"
#include "text/gbk_codec.h"
#include "text/gbk_text.h"

namespace qoru {

std::string ArchiveWithoutTypeMessage(std::size_t index, std::string_view archive_file,
                                      std::size_t type_count) {
  return fmt::format(
      "格式说明 GSSM.txt 中的辅助核算档案比辅助核算项多：第 {} 个档案文件“{}”没有对应的"
      "辅助核算项名称（辅助核算项档案节只列出 {} 个类型）",
      index + 1, GbkToUtf8(archive_file), type_count);
}

std::string QuotedNameList(const StringList& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ",") + db::QuoteName(name);
  return text;
}

std::string BuildAuxFilter(const StringList& names) {
  std::string text;
  for (const std::string& name : names) {
    const std::string quoted = db::QuoteName(name);
    text += " (" + quoted + " <>'' and " + quoted + " is not null) or ";
  }
  // Drops "or " and keeps the blank before it.
  if (text.size() >= 3) text.resize(text.size() - 3);
  return text;
}

std::string AuxInfoCreateStatement() {
  return "Create Table aidInfo(AidType varchar(250),AidCode varchar(250),AidName varchar(250),"
         "AidDec varchar(250),AidVouSourceFiledName varchar(250),AidBalSourceFiledName "
         "varchar(250))";
}

std::string AuxInfoInsertStatement(std::string_view name, std::string_view archive_file) {
  static const std::string kCode = Gbk("编号");
  static const std::string kName = Gbk("名称");
  const std::string n(name);
  const std::string table(archive_file.size() > 4 ? archive_file.substr(0, archive_file.size() - 4)
                                                  : std::string_view());
  const std::string quoted = QuotedText(n);
  const std::string code = db::QuoteName(n + kCode);
  // Twenty pieces, joined with nothing between them; the blanks are part of them. The
  // names are quoted as names.
  return "insert into aidInfo(AidType,AidCode,AidName,AidDec,AidVouSourceFiledName,"
         "AidBalSourceFiledName) select " +
         quoted + " as AidType," + code + " as AidCode," + db::QuoteName(n + kName) +
         " as AidName,'' as AidDec," + quoted + " as AidVouSourceFiledName," + quoted +
         " as  AidBalSourceFiledName  from " + db::QuoteName(table) + " Where " + code +
         " is not null " + " and trim(" + code + ") <> ''";
}

std::string VoucherExtractStatement(const StringList& names) {
  return Gbk("select 科目编号,摘要,借方金额,贷方金额,flxh,") + QuotedNameList(names) +
         Gbk(" into aidVour from JZPZ where 币种='人民币' and 作废标志='0' and ") + "(" +
         BuildAuxFilter(names) + ")";
}

std::string BalanceExtractStatement(const StringList& names) {
  return Gbk("select 科目编号,期初余额,") + QuotedNameList(names) +
         Gbk(" into aidBal from KMYE where 币种='人民币' and ") + "(" + BuildAuxFilter(names) + ")";
}

void BuildAuxInfoTables(db::StatementRunner& runner, StageHost& host,
                        const StringList& aux_item_names, const StringList& aux_archive_files) {
  runner.ExecuteStatement(AuxInfoCreateStatement());
  ProgressBar& bar = host.Progress();
  bar.SetTotalParts(static_cast<int>(aux_archive_files.Count()));
  host.SetStatus(Gbk("正在生成辅助信息表，请稍候……"));
  for (std::size_t i = 0; i < aux_archive_files.Count(); ++i) {
    if (i >= aux_item_names.Count())
      throw AuxiliaryError(
          ArchiveWithoutTypeMessage(i, aux_archive_files[i], aux_item_names.Count()));
    runner.ExecuteStatement(AuxInfoInsertStatement(aux_item_names[i], aux_archive_files[i]));
    bar.SetPartsComplete(static_cast<int>(i));
    host.Yield();
  }
  runner.ExecuteStatement(VoucherExtractStatement(aux_item_names));
  runner.ExecuteStatement(BalanceExtractStatement(aux_item_names));
}

}  // namespace qoru
