#include "qoru_gbtxt/screen_command.h"

#include "qoru_gbtxt/cli_chinese.h"
#include "qoru_gbtxt/encoding_option.h"
#include "qoru_gbtxt/text_option.h"

namespace qoru::host {

CLI::App* AddScreenSubcommand(CLI::App& app, screening::ScreenRequest& o) {
  CLI::App* screen = app.add_subcommand(
      "screen",
      "会计分录测试：节假日和周末记账、整数金额、本福特定律、制单与审核、少见制单人、期末记账、"
      "摘要关键词、少见科目对应、大额分录、重复分录、冲销凭证、红字金额、空摘要、少用科目。"
      "每项测试一行计数，然后列出需要关注的凭证和分录。");
  screen->group("子命令");
  screen->footer("退出码：0 测试已运行（有需要关注的项目也是 0），2 参数错误或输入无法读取。");
  UseChinese(*screen);
  CLI::Option* db = screen
                        ->add_option("--db", o.databases,
                                     "转换得到的数据库 GBA.mdb；表按同一目录下的 GSSM.txt 查找；"
                                     "可重复，测试多个账套")
                        ->type_name("文件");
  CLI::Option* source = screen
                            ->add_option("--source", o.sources,
                                         "账套目录：先转换到一个临时目录（结束后删除）再测试；"
                                         "可重复，测试多个账套")
                            ->type_name("目录")
                            ->excludes(db);
  screen
      ->add_option("--each", o.each,
                   "测试目录下的每个子目录（每个子目录一个账套），例如集团各子公司的账套")
      ->type_name("目录")
      ->excludes(db)
      ->excludes(source);
  screen->add_option("--jobs", o.jobs, "多个账套时同时测试的个数（默认为处理器核数）")
      ->type_name("N");
  AddEncodingOption(*screen, o.encoding);
  screen->add_option("--gssm", o.input.description, "与 --db 一起使用：格式说明文件")
      ->type_name("文件")
      ->needs(db);
  TextOption(screen->add_option("--column", o.screen.columns,
                                "指定凭证表某个角色的列，格式 postings.角色=列名，例如 "
                                "postings.summary=摘要；可重复"))
      ->type_name("postings.角色=列名");
  screen->add_flag("--json", o.json, "在标准输出打印一个 JSON 对象（列出全部项目）代替文字报告");
  screen
      ->add_option(
          "--xlsx", o.xlsx,
          "写出 Excel 工作底稿；多个账套时为一个目录（不存在时建立），每个账套一个"
          "工作底稿。已有的同名文件不会被替换（加 --overwrite 才替换，只读的文件总不替换）")
      ->type_name("文件");
  screen->add_flag("--overwrite", o.overwrite,
                   "替换已有的同名工作底稿（只读的不替换）；运行前检查所有要写的文件");
  TextOption(screen->add_option("--preparer", o.preparer, "编制人：写在工作底稿的概览和 JSON 中"))
      ->type_name("姓名");
  screen
      ->add_option("--max-listed", o.screen.max_listed,
                   "文字报告中每项测试最多列出的项目数（默认 20）")
      ->type_name("N");
  // Amounts may be written with 万 and 亿 or in full-width digits: text, not paths.
  TextOption(screen->add_option("--materiality", o.screen.materiality,
                                "大额分录的金额下限（默认：全部分录中金额最大的 0.1%）"))
      ->type_name("金额");
  TextOption(screen->add_option("--round-unit", o.screen.round_unit, "整数金额的单位（默认 1000）"))
      ->type_name("金额");
  TextOption(
      screen->add_option("--round-min", o.screen.round_min, "整数金额的最小金额（默认 10000）"))
      ->type_name("金额");
  screen
      ->add_option("--rare-preparer", o.screen.rare_preparer, "制单少于 N 张凭证的制单人（默认 5）")
      ->type_name("N");
  screen->add_option("--rare-pair", o.screen.rare_pair, "少于 N 张凭证使用的科目对应（默认 3）")
      ->type_name("N");
  screen->add_option("--seldom", o.screen.seldom, "出现在少于 N 张凭证中的科目（默认 3）")
      ->type_name("N");
  screen->add_option("--period-end-days", o.screen.period_end_days, "年末前后的天数（默认 5）")
      ->type_name("N");
  screen
      ->add_option("--duplicate-days", o.screen.duplicate_days,
                   "重复分录前后相隔的最多天数（默认 3）")
      ->type_name("N");
  TextOption(screen->add_option("--keyword", o.screen.keyword, "增加一个摘要关键词，可重复"))
      ->type_name("词");
  screen
      ->add_option("--keywords", o.screen.keywords,
                   "用文件中的关键词（UTF-8，每行一个）代替默认关键词")
      ->type_name("文件");
  screen
      ->add_option("--holidays", o.screen.holidays,
                   "日历文件（CSV，UTF-8 或 GBK，每行 日期,类型[,名称]，类型为 休 或 班）：逐日覆盖"
                   "和补充内置的节假日表（2004 至 2026 年），例如 2027 年、地方假日或公司自己的"
                   "工作日；可重复，后面的文件优先")
      ->type_name("文件");
  return screen;
}

}  // namespace qoru::host
