// qoru-gendata: writes data sets for tests and benchmarks.
//   qoru-gendata dataset --out DIR [--seed N] [--postings N] [--balances N] [--all] ...
//   qoru-gendata sample --out DIR
//   qoru-gendata large --out FILE --bytes 1g [--lf]
//   qoru-gendata consistent --out DIR [--postings N] [--plant KIND]... [--exact-amounts]
#include <CLI/CLI.hpp>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "errors/errors.h"
#include "files/file_system.h"
#include "files/path_text.h"
#include "gendata/consistent_books.h"
#include "gendata/dataset.h"
#include "process/program_entry.h"
#include "qoru_gbtxt/cli_chinese.h"

namespace {

using qoru::gen::AuxTypeSpec;
using qoru::gen::DatasetOptions;
using qoru::gen::DatasetSummary;

// "名称:文件[:行数]"; a known type keeps its code form, another takes the file's
// first letter as code prefix.
AuxTypeSpec ParseAuxType(const std::string& text) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t colon; (colon = text.find(':', start)) != std::string::npos; start = colon + 1)
    parts.push_back(text.substr(start, colon - start));
  parts.push_back(text.substr(start));
  if (parts.size() < 2 || parts.size() > 3 || parts[0].empty() || parts[1].empty())
    throw CLI::ValidationError("--aux", "格式应为 名称:文件[:行数]，例如 部门:BMDA.txt:12");
  AuxTypeSpec type{parts[0], parts[1], 10, "", 3};
  bool known = false;
  for (const AuxTypeSpec& d : qoru::gen::DefaultAuxTypes()) {
    if (d.name == type.name) {
      type.rows = d.rows;
      type.code_prefix = d.code_prefix;
      type.code_width = d.code_width;
      known = true;
    }
  }
  if (!known && std::isalpha(static_cast<unsigned char>(type.file_name[0])))
    type.code_prefix = std::string(1, static_cast<char>(std::toupper(type.file_name[0])));
  if (parts.size() == 3) {
    try {
      type.rows = std::stoi(parts[2]);
    } catch (const std::exception&) {
      throw CLI::ValidationError("--aux", "行数应为整数：" + parts[2]);
    }
  }
  return type;
}

void PrintSummary(const std::string& dir, const DatasetSummary& s) {
  std::printf("已生成数据集：%s\n", qoru::PathText(dir).c_str());
  for (const auto& [file, rows] : s.file_rows) std::printf("  %-12s %zu 行\n", file.c_str(), rows);
  std::printf("  科目 %zu 个，省略的上级科目 %zu 个，缺少上级的科目 %zu 个\n", s.accounts,
              s.omitted_accounts, s.accounts_without_parent);
  std::printf("  凭证分录 %zu 条：作废 %zu，外币 %zu，带辅助核算 %zu（人民币有效 %zu）\n",
              s.postings, s.void_postings, s.foreign_postings, s.aux_postings, s.rmb_aux_postings);
  std::printf("  余额 %zu 行：外币 %zu，带辅助核算 %zu（人民币 %zu）\n", s.balances,
              s.foreign_balances, s.aux_balances, s.rmb_aux_balances);
  if (s.odd_rows != 0) std::printf("  含逗号或双引号的行 %zu 行\n", s.odd_rows);
  std::printf("  共 %llu 字节\n", static_cast<unsigned long long>(s.bytes));
}

void MakeDirectory(const std::string& dir) {
  if (dir.empty() || qoru::MakeDirectories(dir)) return;
  throw std::runtime_error("无法创建目录 " + qoru::PathText(dir) + "：" +
                           qoru::SystemErrorText(errno));
}

}  // namespace

// The arguments come as the process entry of the platform gives them
// (process/program_entry.h): on Windows read as UTF-16 and turned into GBK paths, which
// the files room opens through the wide-character API.
int qoru::process::HostMain(int argc, char** argv) {
  CLI::App app{
      "生成账套文本数据集（GBK 编码、制表符分隔、CR LF 换行），用于测试、性能测试和"
      "使用说明中的示例。",
      "qoru-gendata"};
  qoru::host::UseChinese(app);
  app.require_subcommand(1);
  app.footer("退出码：0 已生成，1 无法写入，2 参数错误。");
  app.set_help_flag("-h,--help", "显示帮助并退出");

  DatasetOptions options;
  std::string dataset_dir;
  std::vector<std::string> aux_texts;
  bool no_aux = false;
  bool all_quirks = false;
  CLI::App* dataset = app.add_subcommand("dataset", "按随机种子生成一个完整的数据集");
  dataset->group("子命令");
  qoru::host::UseChinese(*dataset);
  dataset->add_option("--out", dataset_dir, "输出目录（不存在时自动创建）")->required();
  dataset->add_option("--seed", options.seed, "随机种子；相同的种子生成相同的文件")
      ->capture_default_str();
  dataset->add_option("--top-accounts", options.top_accounts, "一级科目个数")
      ->capture_default_str();
  dataset->add_option("--depth", options.depth, "科目级次（1 至 5）")
      ->check(CLI::Range(1, 5))
      ->capture_default_str();
  dataset->add_option("--max-children", options.max_children, "每个科目下最多的明细科目个数")
      ->capture_default_str();
  dataset->add_option("--postings", options.postings, "凭证分录行数")->capture_default_str();
  dataset->add_option("--balances", options.balances, "科目余额行数")->capture_default_str();
  dataset->add_option("--year", options.year, "凭证年份")
      ->check(CLI::Range(1, 9999))
      ->capture_default_str();
  dataset->add_option("--month", options.month, "凭证月份")
      ->check(CLI::Range(1, 12))
      ->capture_default_str();
  dataset->add_option("--aux", aux_texts,
                      "辅助核算项类别，格式 名称:文件[:行数]，可重复；"
                      "缺省为 部门:BMDA.txt、项目:XMDA.txt、往来单位:WLDW.txt");
  dataset->add_flag("--no-aux", no_aux, "不生成辅助核算项");
  dataset->add_flag("--omit-parents", options.omit_parents,
                    "省略部分上级科目（含一个缺少两级上级的八位科目）");
  dataset->add_flag("--currencies", options.other_currencies, "包含外币（美元、欧元等）分录和余额");
  dataset->add_flag("--void", options.void_postings, "包含作废凭证（作废标志为 1）");
  dataset->add_flag("--irregular-aux", options.irregular_aux_groups,
                    "辅助核算组包含不完整、以“/”结尾和空白的情况");
  dataset->add_flag("--irregular-archives", options.irregular_archives,
                    "档案包含编号带空格、编号重复和编号为空白的行");
  dataset->add_flag("--commas", options.commas_and_quotes,
                    "摘要含逗号或双引号，金额带千分位（如 1,000.00）");
  dataset->add_flag("--all", all_quirks, "打开以上全部特殊情况");
  dataset->add_flag("--wide", options.wide_rows, "宽凭证行：凭证表 20 列，摘要 40 至 80 个字");

  std::string sample_dir;
  CLI::App* sample =
      app.add_subcommand("sample", "生成随附的示例数据集（与 examples/sample 相同）");
  sample->group("子命令");
  qoru::host::UseChinese(*sample);
  sample->add_option("--out", sample_dir, "输出目录（不存在时自动创建）")->required();

  std::string large_file;
  std::uint64_t large_bytes = 0;
  std::uint64_t large_seed = 1;
  bool large_lf = false;
  CLI::App* large = app.add_subcommand("large", "生成一个大的凭证表文本文件，用于性能测试");
  large->group("子命令");
  qoru::host::UseChinese(*large);
  large->add_option("--out", large_file, "输出文件（所在目录不存在时自动创建）")->required();
  large->add_option("--bytes", large_bytes, "大约的文件大小，可带单位，如 500m、1g")
      ->required()
      ->transform(CLI::AsSizeValue(false).description(""));
  large->add_option("--seed", large_seed, "随机种子")->capture_default_str();
  large->add_flag("--lf", large_lf, "约八分之一的行只以 LF 结尾（其余为 CR LF）");

  qoru::gen::ConsistentOptions consistent_options;
  std::string consistent_dir;
  CLI::App* consistent = app.add_subcommand(
      "consistent",
      "生成一个勾稽关系完整的账套（凭证借贷平衡、账表相符、上下级科目相符、凭证号连续），"
      "可以植入指定种类的错误");
  consistent->group("子命令");
  qoru::host::UseChinese(*consistent);
  consistent->add_option("--out", consistent_dir, "输出目录（不存在时自动创建）")->required();
  consistent->add_option("--seed", consistent_options.seed, "随机种子")->capture_default_str();
  consistent->add_option("--postings", consistent_options.postings, "大约的凭证分录行数")
      ->capture_default_str();
  consistent
      ->add_option("--top-accounts", consistent_options.top_accounts, "一级科目个数（2 至 20）")
      ->capture_default_str();
  consistent->add_option("--depth", consistent_options.depth, "科目级次（1 至 4）")
      ->capture_default_str();
  consistent->add_option("--year", consistent_options.year, "会计年度")->capture_default_str();
  consistent->add_flag("!--keep-parents", consistent_options.omit_parents,
                       "科目表保留全部上级科目（默认省略一些，由转换补全）");
  consistent->add_flag("--exact-amounts", consistent_options.exact_amounts,
                       "加入十八位整数、负数、四位小数的金额和 0.10 + 0.20 这样的合计");
  consistent
      ->add_option(
          "--plant", consistent_options.plants,
          "植入一种错误，可重复：" +
              [] {
                std::string kinds;
                for (const std::string& k : qoru::gen::PlantKinds())
                  kinds += (kinds.empty() ? "" : "、") + k;
                kinds += "；会计分录测试：";
                for (const std::string& k : qoru::gen::ScreeningPlantKinds())
                  kinds += k + (k == qoru::gen::ScreeningPlantKinds().back() ? "" : "、");
                return kinds;
              }())
      ->check(CLI::IsMember([] {
        std::vector<std::string> all = qoru::gen::PlantKinds();
        for (const std::string& k : qoru::gen::ScreeningPlantKinds()) all.push_back(k);
        return all;
      }()));
  consistent
      ->add_option(
          "--layout", consistent_options.layout,
          "格式：classic（每科目一行余额）、standard（国家标准导出：电子账簿、按月的余额表、"
          "按科目方向记正负）、directions（余额不带符号，另有期初/期末余额方向列）")
      ->capture_default_str()
      ->check(CLI::IsMember(qoru::gen::LayoutNames()));
  consistent
      ->add_option("--direction-words", consistent_options.direction_words,
                   "余额方向的写法：借/贷、借方/贷方 或 DR/CR")
      ->capture_default_str()
      ->check(CLI::IsMember(qoru::gen::DirectionWordNames()));
  consistent->add_flag("--realistic", consistent_options.realistic,
                       "像真实账套：凭证多为 2 至 4 行，少数长到 300 行（工资、折旧）；约七分之一的"
                       "分录在周末或节假日；金额的前两位数字大体符合本福特定律，另有三成是"
                       " 100 至 3000 元的价格");
  std::string numbering = "monthly";
  consistent
      ->add_option("--numbering", numbering,
                   "凭证编号：monthly（每月每种凭证从 1 起）或 yearly（全年连续）")
      ->capture_default_str()
      ->check(CLI::IsMember({"monthly", "yearly"}));

  std::vector<std::string> args(argv + 1, argv + argc);
  std::string problem =
      qoru::host::CheckTopLevelWord(args, {"dataset", "sample", "large", "consistent"});
  if (problem.empty()) problem = qoru::host::CheckOptionWords(app, args);
  if (problem.empty()) {
    try {
      app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
      std::fputs(app.help().c_str(), stdout);
      return 0;
    } catch (const CLI::ParseError& e) {
      problem = qoru::host::ArgumentErrorText(e);
    }
  }
  if (!problem.empty()) {
    // A line that ends with its own mark (a question, a list) takes the hint after it.
    const bool ended = problem.size() >= 3 && (problem.compare(problem.size() - 3, 3, "？") == 0 ||
                                               problem.compare(problem.size() - 3, 3, "。") == 0);
    std::fprintf(stderr, "qoru-gendata：%s%s用 qoru-gendata --help 查看用法\n", problem.c_str(),
                 ended ? "" : "；");
    return 2;
  }
  consistent_options.yearly_numbering = numbering == "yearly";

  try {
    if (*dataset) {
      if (no_aux) options.aux_types.clear();
      if (!aux_texts.empty()) {
        options.aux_types.clear();
        for (const std::string& text : aux_texts) options.aux_types.push_back(ParseAuxType(text));
      }
      if (all_quirks) {
        qoru::gen::EnableIrregularities(options);
        options.commas_and_quotes = true;
      }
      MakeDirectory(dataset_dir);
      PrintSummary(dataset_dir, qoru::gen::WriteDataset(dataset_dir, options));
    } else if (*sample) {
      MakeDirectory(sample_dir);
      PrintSummary(sample_dir, qoru::gen::WriteSampleDataset(sample_dir));
    } else if (*consistent) {
      MakeDirectory(consistent_dir);
      const auto s = qoru::gen::WriteConsistentBooks(consistent_dir, consistent_options);
      std::printf(
          "已生成勾稽关系完整的账套：%s\n  科目 %zu 个（省略的上级科目 %zu 个），凭证 %zu 张，"
          "分录 %zu 行，余额 %zu 行\n",
          qoru::PathText(consistent_dir).c_str(), s.accounts, s.omitted_parents, s.vouchers,
          s.postings, s.balances);
      for (const auto& p : s.planted)
        std::printf("  植入 %s：%s 第 %zu 行，%s\n", p.kind.c_str(), p.file.c_str(), p.row,
                    p.what.c_str());
    } else if (*large) {
      MakeDirectory(qoru::ParentDirectory(large_file));
      const std::uint64_t written =
          qoru::gen::WriteLargeTable(large_file, large_bytes, large_seed, large_lf);
      std::printf("已生成 %s：%llu 字节\n", qoru::PathText(large_file).c_str(),
                  static_cast<unsigned long long>(written));
    }
  } catch (const CLI::Error& e) {
    return app.exit(e);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "错误：%s\n", e.what());
    return 1;
  }
  return 0;
}
