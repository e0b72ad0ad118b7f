// `qoru-gbtxt sample` as an auditor runs it on a generated book set: the size, interval,
// start and selected postings checked against a reckoning of our own straight from the
// source text files by the definitions; the same seed giving the same sample; the
// workpaper filled in (as LibreOffice saves it, too) and evaluated; and the inputs refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include <nlohmann/json.hpp>

#include "test_support/command.h"
#include "test_support/programs.h"
#include "test_support/system.h"
#include "test_support/temp_dir.h"
#include "text/gbk_codec.h"

namespace qoru {
namespace {

using nlohmann::json;
using test::kHost;
using test::RunApart;
using test::ShellWord;
using Ran = test::RanApart;
using U128 = unsigned __int128;

const std::string kFill = std::string(QORU_SOURCE_DIR) + "/tests/sampling/fill_audited.py";

// A generated book set of the national-standard layout, converted once for every test.
class SampleCommand : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new test::TempDir;
    source_ = dir_->path() + "src";
    const test::Ran gen =
        test::RunCommand(test::kGendata + " consistent --out " + ShellWord(source_) +
                         " --postings 1200 --layout standard --seed 17");
    ASSERT_EQ(gen.exit_code, 0) << gen.out;
    const test::Ran conv = test::RunConvert(source_, dir_->path() + "work");
    ASSERT_EQ(conv.exit_code, 0) << conv.out;
    db_ = dir_->path() + "work/TemplateTemp/GBA.mdb";
  }
  static void TearDownTestSuite() { delete dir_; }

  static Ran Sample(const std::string& args) {
    return RunApart(kHost + " sample --db " + ShellWord(db_) + " " + args);
  }

  static test::TempDir* dir_;
  static std::string source_, db_;
};
test::TempDir* SampleCommand::dir_ = nullptr;
std::string SampleCommand::source_, SampleCommand::db_;

// The postings of the source's JZPZ.txt as the definitions take them: non-void, dated
// in the book-set year, of accounts beginning with `prefix`, debit above 0; vouchers by
// date, type, number (digits first by value, then text), first row; postings in file order.
struct SourcePosting {
  std::int64_t row;
  std::int64_t cents;
};

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> f;
  std::size_t start = 0;
  while (true) {
    const std::size_t tab = line.find('\t', start);
    f.push_back(line.substr(start, tab - start));
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  return f;
}

std::vector<SourcePosting> SourcePopulation(const std::string& source, const std::string& prefix) {
  std::vector<std::string> lines;
  const std::string text = GbkToUtf8(test::ReadFile(source + "/JZPZ.txt"));
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(line);
    start = end + 1;
  }
  const std::string year = Fields(GbkToUtf8(test::ReadFile(source + "/DZZB.txt")))[0];
  // 凭证日期 凭证种类 凭证编号 行号 摘要 科目编号 币种 借方金额 贷方金额 作废标志 ...
  struct Voucher {
    std::string date, type, number;
    std::int64_t first;
    std::vector<SourcePosting> postings;
  };
  std::map<std::string, Voucher> vouchers;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::vector<std::string> f = Fields(lines[i]);
    if (f[9] == "1" || f[0].substr(0, 4) != year) continue;
    const std::string key = f[0].substr(0, 6) + "|" + f[1] + "|" + f[2];
    auto [it, added] =
        vouchers.try_emplace(key, Voucher{f[0], f[1], f[2], static_cast<std::int64_t>(i + 1), {}});
    if (f[5].rfind(prefix, 0) != 0 || f[7].empty() || f[7][0] == '-') continue;
    const std::size_t dot = f[7].find('.');
    const std::int64_t cents =
        std::stoll(f[7].substr(0, dot)) * 100 + std::stoll(f[7].substr(dot + 1));
    if (cents > 0) it->second.postings.push_back({static_cast<std::int64_t>(i + 1), cents});
  }
  std::vector<Voucher*> order;
  for (auto& [k, v] : vouchers) order.push_back(&v);
  const auto digits = [](const std::string& s) {
    return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
  };
  std::sort(order.begin(), order.end(), [&](const Voucher* a, const Voucher* b) {
    if (a->date != b->date) return a->date < b->date;
    if (a->type != b->type) return a->type < b->type;
    if (digits(a->number) != digits(b->number)) return digits(a->number);
    if (digits(a->number)) {
      const std::string x =
          a->number.substr(std::min(a->number.find_first_not_of('0'), a->number.size()));
      const std::string y =
          b->number.substr(std::min(b->number.find_first_not_of('0'), b->number.size()));
      if (x.size() != y.size()) return x.size() < y.size();
      if (x != y) return x < y;
    }
    if (a->number != b->number) return a->number < b->number;
    return a->first < b->first;
  });
  std::vector<SourcePosting> out;
  for (const Voucher* v : order) out.insert(out.end(), v->postings.begin(), v->postings.end());
  return out;
}

std::vector<std::int64_t> SelectedRows(const json& j) {
  std::vector<std::int64_t> rows;
  for (const json& item : j["selected"]) rows.push_back(item["row"].get<std::int64_t>());
  return rows;
}

TEST_F(SampleCommand, MonetaryUnitSampleEqualsTheReckoningFromTheSource) {
  const std::vector<SourcePosting> population = SourcePopulation(source_, "");
  ASSERT_GT(population.size(), 100u);
  U128 total = 0;
  for (const SourcePosting& p : population) total += static_cast<U128>(p.cents);
  for (const std::uint64_t seed : {1ULL, 2026ULL, 987654321987654321ULL}) {
    const Ran ran = Sample("--json --tolerable 2000000 --seed " + std::to_string(seed));
    ASSERT_EQ(ran.exit_code, 0) << ran.err;
    const json j = test::ParseJson(ran.out);
    // n = ceil(BV × R0 / TM), J = ceil(BV / n), s = 1 + (((x0 >> 11) × J) >> 53).
    const auto n = static_cast<std::uint64_t>(
        std::ceil(static_cast<double>(total) / 100.0 * -std::log(0.05) / 2000000.0));
    const U128 interval = (total + n - 1) / n;
    std::mt19937_64 g(seed);
    const U128 start = 1 + ((static_cast<U128>(g() >> 11) * interval) >> 53);
    EXPECT_EQ(j["population"]["items"], population.size());
    EXPECT_EQ(j["plan"]["size"], n);
    EXPECT_EQ(j["plan"]["interval_units"], std::to_string(static_cast<std::uint64_t>(interval)));
    EXPECT_EQ(j["plan"]["start_units"], std::to_string(static_cast<std::uint64_t>(start)));
    std::vector<std::int64_t> rows;
    std::vector<std::uint64_t> hits;
    U128 cumulative = 0, next = start;
    for (const SourcePosting& p : population) {
      cumulative += static_cast<U128>(p.cents);
      std::uint64_t h = 0;
      while (next <= cumulative && next <= total) {
        ++h;
        next += interval;
      }
      if (h > 0) {
        rows.push_back(p.row);
        hits.push_back(h);
      }
    }
    EXPECT_EQ(SelectedRows(j), rows) << "seed " << seed;
    std::vector<std::uint64_t> got_hits;
    for (const json& item : j["selected"]) got_hits.push_back(item["hits"]);
    EXPECT_EQ(got_hits, hits);
  }
}

TEST_F(SampleCommand, RandomSampleOfOneAccountEqualsTheReckoningAndRepeats) {
  const std::vector<SourcePosting> population = SourcePopulation(source_, "1122");
  ASSERT_GT(population.size(), 10u);
  const Ran ran = Sample("--json --method random --size 10 --account 1122 --seed 31");
  ASSERT_EQ(ran.exit_code, 0) << ran.err;
  std::vector<std::size_t> order(population.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::mt19937_64 g(31);
  for (std::size_t i = 0; i < 10; ++i) {
    const std::size_t j =
        i + static_cast<std::size_t>((static_cast<U128>(g() >> 11) * (order.size() - i)) >> 53);
    std::swap(order[i], order[j]);
  }
  order.resize(10);
  std::sort(order.begin(), order.end());
  std::vector<std::int64_t> rows;
  for (std::size_t i : order) rows.push_back(population[i].row);
  EXPECT_EQ(SelectedRows(test::ParseJson(ran.out)), rows);
  // The same command, the same output; without a seed, one is taken and printed.
  EXPECT_EQ(Sample("--json --method random --size 10 --account 1122 --seed 31").out, ran.out);
  const Ran clock = Sample("--method random --size 3");
  EXPECT_EQ(clock.exit_code, 0);
  EXPECT_NE(clock.out.find("由时钟取得"), std::string::npos);
}

TEST_F(SampleCommand, WorkpaperIsFilledInAndEvaluatedAsSavedByLibreOffice) {
  QORU_SKIP_UNLESS_POSIX("fills the workpaper in with python3 and re-saves it with LibreOffice");
  test::TempDir out;
  const std::string xlsx = out / "抽样.xlsx";
  const Ran drawn =
      Sample("--json --tolerable 3000000 --seed 8 --threshold 200000 --xlsx " + ShellWord(xlsx));
  ASSERT_EQ(drawn.exit_code, 0) << drawn.err;
  const json plan = test::ParseJson(drawn.out);
  // Not replaced by surprise; replaced with --overwrite.
  const Ran again = Sample("--size 3 --seed 1 --xlsx " + ShellWord(xlsx));
  EXPECT_EQ(again.exit_code, 2);
  EXPECT_NE(again.err.find("--overwrite"), std::string::npos) << again.err;

  // No audited amounts yet.
  const Ran empty = RunApart(kHost + " sample --evaluate " + ShellWord(xlsx));
  EXPECT_EQ(empty.exit_code, 2);
  EXPECT_NE(empty.err.find("没有审定金额"), std::string::npos) << empty.err;

  // One misstatement: the first sampled item below J audited at half its book value.
  const U128 interval = std::stoull(plan["plan"]["interval_units"].get<std::string>());
  std::size_t index = 0;
  double book = 0;
  for (const json& item : plan["selected"]) {
    const double amount = std::stod(item["amount"].get<std::string>());
    if (item["stratum"] == "sample" && amount * 100 < static_cast<double>(interval)) {
      index = item["index"];
      book = amount;
      break;
    }
  }
  ASSERT_GT(index, 0u);
  const std::string filled = out / "filled.xlsx";
  const std::string before = test::ReadFile(xlsx);
  const std::int64_t book_cents = std::llround(book * 100), audited_cents = book_cents / 2;
  const std::string audited = std::to_string(audited_cents / 100) + "." +
                              std::to_string(100 + audited_cents % 100).substr(1);
  ASSERT_EQ(
      test::RunCommand("python3 " + ShellWord(kFill) + " " + ShellWord(xlsx) + " " +
                       ShellWord(filled) + " --all-book " + std::to_string(index) + "=" + audited)
          .exit_code,
      0);
  const Ran evaluated = RunApart(kHost + " sample --json --evaluate " + ShellWord(filled));
  ASSERT_EQ(evaluated.exit_code, 0) << evaluated.err;
  const json e = test::ParseJson(evaluated.out);
  EXPECT_EQ(e["misstated"], 1);
  const double j_value = static_cast<double>(interval) / 100;
  const double t =
      static_cast<double>(book_cents - audited_cents) / static_cast<double>(book_cents);
  const double r0 = -std::log(0.05), r1 = 4.743864518;
  EXPECT_NEAR(e["overstatement"]["taints"][0]["taint"].get<double>(), t, 1e-12);
  EXPECT_NEAR(std::stod(e["overstatement"]["projected"].get<std::string>()), t * j_value, 0.006);
  EXPECT_NEAR(std::stod(e["overstatement"]["basic_precision"].get<std::string>()), r0 * j_value,
              0.006);
  EXPECT_NEAR(std::stod(e["overstatement"]["incremental_allowance"].get<std::string>()),
              (r1 - r0 - 1) * t * j_value, 0.006);
  EXPECT_NEAR(std::stod(e["overstatement"]["upper_limit"].get<std::string>()),
              t * j_value + r0 * j_value + (r1 - r0 - 1) * t * j_value, 0.02);
  EXPECT_EQ(test::ReadFile(xlsx), before) << "the workpaper itself is only read";

  // The same file saved by LibreOffice evaluates alike, and an evaluation workpaper is written.
  const std::string lo_dir = out / "lo";
  const test::Ran lo =
      test::RunCommand("cd " + ShellWord(out.path()) + " && HOME=" + ShellWord(out.path()) +
                       " timeout 180 soffice --headless --convert-to xlsx --outdir lo filled.xlsx");
  ASSERT_EQ(lo.exit_code, 0) << lo.out;
  const Ran lo_evaluated =
      RunApart(kHost + " sample --json --evaluate " + ShellWord(lo_dir + "/filled.xlsx") +
               " --xlsx " + ShellWord(out / "评价.xlsx"));
  ASSERT_EQ(lo_evaluated.exit_code, 0) << lo_evaluated.err;
  json le = test::ParseJson(lo_evaluated.out);
  le["workpaper"] = e["workpaper"];
  EXPECT_EQ(le, e);
  EXPECT_TRUE(test::ReadFile(out / "评价.xlsx").size() > 1000);
  // The evaluation never writes to the workpaper it reads.
  const Ran onto = RunApart(kHost + " sample --evaluate " + ShellWord(filled) +
                            " --overwrite --xlsx " + ShellWord(filled));
  EXPECT_EQ(onto.exit_code, 2);

  // Edited beyond the auditor's columns: refused.
  const std::string edited = out / "edited.xlsx";
  ASSERT_EQ(test::RunCommand("python3 " + ShellWord(kFill) + " " + ShellWord(xlsx) + " " +
                             ShellWord(edited) + " --all-book --edit 1=账面金额=1")
                .exit_code,
            0);
  const Ran refused = RunApart(kHost + " sample --evaluate " + ShellWord(edited));
  EXPECT_EQ(refused.exit_code, 2);
  EXPECT_NE(refused.err.find("校验值不符"), std::string::npos) << refused.err;
  // A text that is no amount.
  const std::string texted = out / "texted.xlsx";
  ASSERT_EQ(test::RunCommand("python3 " + ShellWord(kFill) + " " + ShellWord(xlsx) + " " +
                             ShellWord(texted) + " --all-book --text 1=无")
                .exit_code,
            0);
  EXPECT_NE(RunApart(kHost + " sample --evaluate " + ShellWord(texted)).err.find("不是金额"),
            std::string::npos);
}

TEST_F(SampleCommand, BookSetChangedSinceTheSampleIsRefused) {
  QORU_SKIP_UNLESS_POSIX("fills the workpaper in with python3");
  test::TempDir out;
  // A book set of its own: a copy of the database, changed after the sample.
  const std::string db = out / "GBA.mdb";
  test::WriteFile(db, test::ReadFile(db_));
  test::WriteFile(out / "GSSM.txt", test::ReadFile(source_ + "/GSSM.txt"));
  const std::string xlsx = out / "s.xlsx";
  ASSERT_EQ(RunApart(kHost + " sample --db " + ShellWord(db) + " --size 5 --seed 3 --xlsx " +
                     ShellWord(xlsx))
                .exit_code,
            0);
  const std::string filled = out / "f.xlsx";
  ASSERT_EQ(test::RunCommand("python3 " + ShellWord(kFill) + " " + ShellWord(xlsx) + " " +
                             ShellWord(filled) + " --all-book")
                .exit_code,
            0);
  EXPECT_EQ(RunApart(kHost + " sample --evaluate " + ShellWord(filled)).exit_code, 0);
  test::WriteFile(out / "GSSM.txt", test::ReadFile(out / "GSSM.txt") + "\r\n");
  const Ran changed = RunApart(kHost + " sample --evaluate " + ShellWord(filled));
  EXPECT_EQ(changed.exit_code, 2);
  EXPECT_NE(changed.err.find("账套已改变"), std::string::npos) << changed.err;
}

TEST_F(SampleCommand, WrongInputsAreRefusedWithWhatToDo) {
  const struct {
    std::string args, says;
  } cases[] = {
      {"--size 0", "--size"},
      {"--size -3", "--size"},
      {"--confidence 100 --tolerable 5", "--confidence"},
      {"--confidence 0 --tolerable 5", "--confidence"},
      {"--tolerable 0", "--tolerable"},
      {"--tolerable abc", "不是数字"},
      {"--tolerable 100 --expected 70", "不大于 0"},
      {"--tolerable 100 --expected 10 --confidence 97", "置信度只能是"},
      {"", "--size"},
      {"--method random", "--size"},
      {"--method random --size 100000", "大于可抽取的项目数"},
      {"--method stratified --size 5", "--method"},
      {"--unit journal --size 5", "--unit"},
      {"--side both --size 5", "--side"},
      {"--account 9999 --size 5", "不在科目表中"},
      {"--size 5 --seed -1", "--seed"},
      {"--size 5 --seed 18446744073709551616", "--seed"},
      {"--size 5 --threshold 0", "--threshold"},
      {"--size 5 --account 1001 --side credit --unit voucher --threshold 0.01 --method random", ""},
  };
  for (const auto& c : cases) {
    const Ran ran = Sample(c.args);
    if (c.says.empty()) {
      EXPECT_EQ(ran.exit_code, 0) << c.args << ": " << ran.err;
      continue;
    }
    EXPECT_EQ(ran.exit_code, 2) << c.args;
    EXPECT_NE(ran.err.find(c.says), std::string::npos) << c.args << ": " << ran.err;
  }
  EXPECT_EQ(RunApart(kHost + " sample --size 5").exit_code, 2);
  EXPECT_EQ(RunApart(kHost + " sample --db /nonexistent/GBA.mdb --size 5").exit_code, 2);
  test::TempDir out;
  test::WriteFile(out / "not.xlsx", "plain text");
  const Ran not_xlsx = RunApart(kHost + " sample --evaluate " + ShellWord(out / "not.xlsx"));
  EXPECT_EQ(not_xlsx.exit_code, 2);
  EXPECT_NE(not_xlsx.err.find("not.xlsx"), std::string::npos) << not_xlsx.err;
  // A workpaper of another command.
  ASSERT_EQ(RunApart(kHost + " screen --db " + ShellWord(db_) + " --xlsx " +
                     ShellWord(out / "screen.xlsx"))
                .exit_code,
            0);
  const Ran other = RunApart(kHost + " sample --evaluate " + ShellWord(out / "screen.xlsx"));
  EXPECT_EQ(other.exit_code, 2);
  EXPECT_NE(other.err.find("不是由 qoru-gbtxt sample 生成的"), std::string::npos) << other.err;
}

TEST_F(SampleCommand, HostileWorkpapersAreRefused) {
  QORU_SKIP_UNLESS_POSIX("builds the hostile files with python3");
  test::TempDir out;
  // Entities that expand a billion times, and an external entity.
  const std::string script =
      "import zipfile,sys\n"
      "z=zipfile.ZipFile(sys.argv[1],'w')\n"
      "z.writestr('[Content_Types].xml','<Types/>')\n"
      "z.writestr('xl/workbook.xml','<?xml version=\"1.0\"?><!DOCTYPE w [<!ENTITY a \"aaaaaaaaaa\">"
      "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c SYSTEM \"file:///etc/passwd\">]>"
      "<workbook><sheets><sheet name=\"&b;&c;\"/></sheets></workbook>')\n"
      "z.close()\n";
  test::WriteFile(out / "make.py", script);
  ASSERT_EQ(
      test::RunCommand("python3 " + ShellWord(out / "make.py") + " " + ShellWord(out / "h.xlsx"))
          .exit_code,
      0);
  const Ran ran = RunApart(kHost + " sample --evaluate " + ShellWord(out / "h.xlsx"));
  EXPECT_EQ(ran.exit_code, 2);
  EXPECT_NE(ran.err.find("文档类型声明"), std::string::npos) << ran.err;
}

}  // namespace
}  // namespace qoru
