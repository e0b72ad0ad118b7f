#include "qoru_gbtxt/screen_command.h"
#include "qoru_gbtxt/refusal.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <optional>

#include "book_sets/run_record.h"
#include "book_sets/scratch_area.h"
#include "book_sets/work_area.h"
#include "checks/tables/table_preconditions.h"
#include "database/engine/engine_error.h"
#include "errors/errors.h"
#include "faces/console.h"
#include "files/file_system.h"
#include "files/os_file.h"
#include "files/path_text.h"
#include "qoru_gbtxt/cli_chinese.h"
#include "qoru_gbtxt/encoding_option.h"
#include "qoru_gbtxt/text_option.h"
#include "screening/book_loader.h"
#include "screening/screen_options.h"
#include "screening/screen_output.h"
#include "screening/workpaper/workpaper.h"
#include "staging/source_encoding_copy.h"
#include "text/control_escape.h"
#include "workbook/workbook.h"

namespace qoru::host {
namespace {

// Every parameter; the --xlsx target when it names one file (a single book set).
std::optional<screening::ScreenOptions> CheckParameters(const ScreenCommandOptions& o, bool many,
                                                        std::string* error) {
  std::optional<screening::ScreenOptions> c = screening::ParseScreenOptions(o.screen, error);
  if (!c) return std::nullopt;
  if (!o.xlsx.empty() && !many) {
    if (const std::string problem = workbook::TargetProblem(o.xlsx, o.overwrite);
        !problem.empty()) {
      *error = "--xlsx 的值 " + problem;
      return std::nullopt;
    }
  }
  return c;
}

}  // namespace

CLI::App* AddScreenSubcommand(CLI::App& app, ScreenCommandOptions& o) {
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
  screen->add_option("--gssm", o.description, "与 --db 一起使用：格式说明文件")
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

int RunScreenCommand(ScreenCommandOptions options, const Converter& convert) {
  const std::size_t given = options.databases.size() + options.sources.size();
  if (given == 0 && options.each.empty())
    return Refuse("screen 需要 --db、--source 或 --each；用 qoru-gbtxt screen --help 查看用法");
  const bool many = given != 1 || !options.each.empty();
  std::string error;
  const std::optional<screening::ScreenOptions> checked = CheckParameters(options, many, &error);
  if (!checked) return Refuse(error);
  if (many) {
    if (!options.description.empty()) return Refuse("--gssm 只能与一个 --db 一起使用");
    return RunManyScreens(options);
  }
  if (!options.databases.empty()) options.database = options.databases.front();
  if (!options.sources.empty()) options.source = options.sources.front();

  if (!options.database.empty()) {
    if (const std::string problem = book_sets::CheckDatabase(options.database); !problem.empty())
      return Refuse(problem);
    const bool given = !options.description.empty();
    if (!given) options.description = book_sets::DescriptionBeside(options.database);
    if (const std::string problem =
            checks::DescriptionProblem(options.database, options.description, given, "测试");
        !problem.empty())
      return Refuse(problem);
    book_sets::RunRecord record("screen", GivenArguments(options), options.preparer);
    AddOptionFiles(options, record);
    record.AddDatabase(options.database, options.description);
    return ScreenBookSet(options.database, options.description, PathText(options.database),
                         *checked, options, record);
  }

  std::optional<book_sets::ScratchArea> area;
  if (const std::string problem = book_sets::ScratchForSource(options.source, "screen", area);
      !problem.empty())
    return Refuse(problem);
  // The source's files are hashed while the book set converts.
  book_sets::RunRecord record("screen", GivenArguments(options), options.preparer);
  AddOptionFiles(options, record);
  record.AddSource(options.source);
  record.Start();
  std::string why;
  const bool converted = convert(area->work(), options.source, &why);
  if (!converted && !IsRegularFile(book_sets::WorkDatabase(area->work())))
    return Refuse("无法转换账套 " + PathText(options.source) + "：" + why);
  return ScreenBookSet(book_sets::WorkDatabase(area->work()),
                       book_sets::WorkDescription(area->work()), PathText(options.source), *checked,
                       options, record, converted ? std::string() : why);
}

std::vector<std::string> SharedScreenArguments(const ScreenCommandOptions& o) {
  std::vector<std::string> words;
  // One word each, so that a value beginning with "-" stays a value.
  const auto add = [&](const char* option, const std::string& value) {
    words.push_back(std::string(option) + "=" + value);
  };
  for (const std::string& c : o.screen.columns) add("--column", c);
  add("--max-listed", o.screen.max_listed);
  if (!o.screen.materiality.empty()) add("--materiality", o.screen.materiality);
  add("--round-unit", o.screen.round_unit);
  add("--round-min", o.screen.round_min);
  add("--rare-preparer", o.screen.rare_preparer);
  add("--rare-pair", o.screen.rare_pair);
  add("--seldom", o.screen.seldom);
  add("--period-end-days", o.screen.period_end_days);
  add("--duplicate-days", o.screen.duplicate_days);
  for (const std::string& k : o.screen.keyword) add("--keyword", k);
  if (!o.screen.keywords.empty()) add("--keywords", o.screen.keywords);
  for (const std::string& h : o.screen.holidays) add("--holidays", h);
  if (!o.preparer.empty()) add("--preparer", o.preparer);
  if (o.overwrite) words.push_back("--overwrite");
  add("--encoding", o.encoding);
  return words;
}

}  // namespace qoru::host
