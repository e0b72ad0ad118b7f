#include "qoru_gbtxt/sample_command.h"

#include "qoru_gbtxt/cli_chinese.h"
#include "qoru_gbtxt/encoding_option.h"
#include "qoru_gbtxt/text_option.h"

namespace qoru::host {

CLI::App* AddSampleSubcommand(CLI::App& app, sampling::SamplingRequest& o) {
  CLI::App* sample = app.add_subcommand(
      "sample",
      "审计抽样：从分录、凭证或科目余额中按货币单元抽样（系统选取）或简单随机抽样选取样本，"
      "可按置信度、可容忍错报和预计错报计算样本量，金额不小于下限的项目全部选取；同一随机种子"
      "总是得到同一样本。--evaluate "
      "读回审计人员填写了审定金额的工作底稿，推断错报并计算错报上限。");
  sample->group("子命令");
  sample->footer("退出码：0 完成，2 参数错误或输入无法读取、无法使用。");
  UseChinese(*sample);
  CLI::Option* db = sample
                        ->add_option("--db", o.input.database,
                                     "转换得到的数据库 GBA.mdb；表按同一目录下的 GSSM.txt 查找")
                        ->type_name("文件");
  CLI::Option* source = sample
                            ->add_option("--source", o.input.source,
                                         "账套目录：先转换到一个临时目录（结束后删除）再抽样")
                            ->type_name("目录")
                            ->excludes(db);
  sample
      ->add_option("--evaluate", o.evaluate,
                   "评价一份由 sample 生成、已填写审定金额（或回函金额）的工作底稿；只读取，不写入")
      ->type_name("工作底稿")
      ->excludes(db)
      ->excludes(source);
  AddEncodingOption(*sample, o.encoding);
  sample->add_option("--gssm", o.input.description, "与 --db 一起使用：格式说明文件")
      ->type_name("文件")
      ->needs(db);
  TextOption(sample->add_option("--column", o.columns,
                                "指定某个角色的列，格式 表.角色=列名（同 check），可重复"))
      ->type_name("表.角色=列名");
  sample
      ->add_option("--unit", o.sample.unit,
                   "抽样单位：posting（分录，默认）、voucher（凭证）或 balance（科目期末余额，"
                   "有辅助核算的按辅助核算项，如应收账款的客户）")
      ->type_name("单位");
  TextOption(sample->add_option("--account", o.sample.accounts,
                                "只抽取这个科目（含下级科目）的项目，可重复；默认全部科目"))
      ->type_name("科目编号");
  sample
      ->add_option("--side", o.sample.side, "分录或凭证取借方（debit，默认）还是贷方（credit）金额")
      ->type_name("方向");
  sample
      ->add_option("--method", o.sample.method,
                   "抽样方法：mus（货币单元抽样，默认）或 random（简单随机抽样）")
      ->type_name("方法");
  sample->add_option("--size", o.sample.size, "样本量；货币单元抽样不给时按置信度和可容忍错报计算")
      ->type_name("N");
  sample->add_option("--confidence", o.sample.confidence, "置信度（百分数，默认 95）")
      ->type_name("C");
  // Amounts may be written with 万 and 亿 or in full-width digits: text, not paths.
  TextOption(sample->add_option("--tolerable", o.sample.tolerable, "可容忍错报（金额）"))
      ->type_name("金额");
  TextOption(sample->add_option("--expected", o.sample.expected, "预计错报（金额，默认 0）"))
      ->type_name("金额");
  TextOption(sample->add_option("--threshold", o.sample.threshold,
                                "金额不小于此数的项目作为重大项目全部选取，其余再抽样"))
      ->type_name("金额");
  sample
      ->add_option("--seed", o.sample.seed,
                   "随机种子（0 至 18446744073709551615）；不给时由时钟取得并打印")
      ->type_name("S");
  sample->add_flag("--json", o.json, "在标准输出打印一个 JSON 对象代替文字报告");
  sample->add_option("--xlsx", o.xlsx, "写出 Excel 工作底稿（抽样或评价）")->type_name("文件");
  sample->add_flag("--overwrite", o.overwrite, "替换已有的同名工作底稿（只读的文件从不替换）");
  TextOption(sample->add_option("--preparer", o.preparer, "编制人：写在工作底稿的概览和 JSON 中"))
      ->type_name("姓名");
  return sample;
}

}  // namespace qoru::host
