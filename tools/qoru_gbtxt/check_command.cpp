#include "qoru_gbtxt/check_command.h"
#include "qoru_gbtxt/text_option.h"

#include "qoru_gbtxt/cli_chinese.h"
#include "qoru_gbtxt/encoding_option.h"

namespace qoru::host {

CLI::App* AddCheckSubcommand(CLI::App& app, checks::CheckRequest& options) {
  CLI::App* check = app.add_subcommand(
      "check",
      "检查账套的勾稽关系，找出：凭证借贷不平、凭证断号/重号、期初+发生≠期末、期初与上月期末不符、"
      "账表不符、辅助账与总账不符、上下级科目不符、试算不平衡、科目不在科目表中、非末级科目记账、"
      "跨年度凭证、金额或日期无法识别、科目余额方向无法识别。余额表有会计月度时逐月检查；"
      "期初、期末按借正贷负比较。每个问题一行，写明检查项、严重程度、表和行、月份、凭证或科目和"
      "金额；然后每项检查一行计数，最后是合计和用时。");
  check->group("子命令");
  check->footer(
      "退出码：0 没有错误级的问题，1 有错误级的问题（加 --strict 时警告和跳过的检查也算），"
      "2 参数错误（包括 --column 指定了表中没有的列）、找不到格式说明、输入无法读取、转换失败"
      "或数据库中既没有凭证也没有余额表。");
  UseChinese(*check);
  CLI::Option* db = check
                        ->add_option("--db", options.databases,
                                     "转换得到的数据库 GBA.mdb；表按同一目录下的 GSSM.txt 查找；"
                                     "可重复，检查多个账套")
                        ->type_name("文件");
  CLI::Option* source =
      check
          ->add_option("--source", options.sources,
                       "账套目录：先用本库转换到一个临时目录（结束后删除，不写用户的任何文件）"
                       "再检查，结果与 --db 相同；可重复，检查多个账套")
          ->type_name("目录")
          ->excludes(db);
  check
      ->add_option("--each", options.each,
                   "检查目录下的每个子目录（每个子目录一个账套），例如集团各子公司的账套")
      ->type_name("目录")
      ->excludes(db)
      ->excludes(source);
  check->add_option("--jobs", options.jobs, "多个账套时同时检查的个数（默认为处理器核数）")
      ->type_name("N");
  AddEncodingOption(*check, options.encoding);
  check
      ->add_option("--gssm", options.input.description,
                   "与 --db 一起使用：格式说明文件（默认为数据库所在目录下的 GSSM.txt）")
      ->type_name("文件")
      ->needs(db);
  TextOption(
      check->add_option("--column", options.columns,
                        "指定某个角色的列，格式 表.角色=列名，例如 postings.date=业务日期；表为 "
                        "postings、balances、chart 或 book，可重复"))
      ->type_name("表.角色=列名");
  check
      ->add_option("--max-findings", options.max_findings,
                   "每项检查最多列出的问题数（默认 100）；计数总是完整的")
      ->type_name("N");
  check
      ->add_option("--xlsx", options.xlsx,
                   "写出 Excel 工作底稿：概览（账套、年度、各项检查的状态和跳过的原因、错误和"
                   "警告数，读取的文件及其 SHA-256）和每项有问题的检查一个工作表；已有的同名文件"
                   "不会被替换（加 --overwrite 才替换，只读的文件总不替换）。检查多个账套时为一个"
                   "目录，每个账套写一个 账套名.xlsx")
      ->type_name("文件");
  check->add_flag("--overwrite", options.overwrite,
                  "替换已有的同名工作底稿（只读的不替换）；运行前检查所有要写的文件");
  TextOption(
      check->add_option("--preparer", options.preparer, "编制人：写在工作底稿的概览和 JSON 中"))
      ->type_name("姓名");
  check->add_flag("--strict", options.strict, "警告也算作错误（退出码 1）");
  check->add_flag("--json", options.json, "在标准输出打印一个 JSON 对象代替文字报告");
  return check;
}

}  // namespace qoru::host
