// `qoru-gbtxt sample` as an auditor runs it on a generated book set: the size, interval,
// start and selected postings checked against a reckoning of our own straight from the
// source text files by the definitions; the same seed giving the same sample; and the
// inputs refused. Its workpaper is tested in sample_workpaper_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include <nlohmann/json.hpp>

#include "sampling/sampled_book_set.h"
#include "test_support/command.h"
#include "test_support/db_fixture.h"
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

class SampleCommand : public test::SampledBookSet {};

// The postings of the source's JZPZ.txt as the definitions take them: non-void, dated
// in the book-set year, of accounts beginning with `prefix`, debit above 0; vouchers by
// date, type, number (digits first by value, then text), first row; postings in file order.
struct SourcePosting {
  std::int64_t row;
  std::int64_t cents;
};

std::vector<std::string> Fields(const std::string& line) {
  return test::SplitText(line, '\t');
}

std::vector<SourcePosting> SourcePopulation(const std::string& source, const std::string& prefix) {
  std::vector<std::string> lines;
  for (std::string& line : test::SplitText(GbkToUtf8(test::ReadFile(source + "/JZPZ.txt")), '\n')) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(std::move(line));
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
  // The same command, the same output but for the run's times; without a seed, one is
  // taken and printed.
  const auto timeless = [](const std::string& out) {
    json j = test::ParseJson(out);
    j["provenance"].erase("started");
    j["provenance"].erase("ended");
    return j;
  };
  const Ran again = Sample("--json --method random --size 10 --account 1122 --seed 31");
  EXPECT_EQ(timeless(again.out), timeless(ran.out));
  const Ran clock = Sample("--method random --size 3");
  EXPECT_EQ(clock.exit_code, 0);
  EXPECT_NE(clock.out.find("由时钟取得"), std::string::npos);
}

TEST_F(SampleCommand, AnAccountTakesInItsChildrenAsTheChartLinksThem) {
  // The chart's file without 660201: its sub-account 66020101 then has no parent (the
  // code structure's parent is not in the chart), so it is no child of 6602.
  test::TempDir out;
  const std::string db = CopyBookSet(out);
  test::SqliteExec(db, "DELETE FROM KJKM WHERE 科目编号 = '660201'");
  const auto population = [&](const std::string& accounts) {
    const Ran ran = RunApart(kHost + " sample --db " + ShellWord(db) + accounts +
                             " --method random --size 1 --seed 1 --json");
    EXPECT_EQ(ran.exit_code, 0) << accounts << ": " << ran.err;
    return ran.exit_code == 0 ? test::ParseJson(ran.out)["population"] : json();
  };
  for (const std::string unit : {"posting", "voucher", "balance"}) {
    const json whole = population(" --unit " + unit + " --account 6602");
    const json linked = population(" --unit " + unit + " --account 660202");
    const json orphan = population(" --unit " + unit + " --account 66020101");
    ASSERT_GT(orphan["items"].get<int>(), 0) << unit;
    EXPECT_EQ(whole["items"], linked["items"]) << unit;
    EXPECT_EQ(whole["total"], linked["total"]) << unit;
    EXPECT_EQ(whole["left_out"], linked["left_out"]) << unit;
  }
  // The missing parent itself is refused, naming the sub-accounts to give instead.
  const Ran missing =
      RunApart(kHost + " sample --db " + ShellWord(db) + " --account 660201 --size 1");
  EXPECT_EQ(missing.exit_code, 2);
  EXPECT_NE(missing.err.find("不在科目表中"), std::string::npos) << missing.err;
  EXPECT_NE(missing.err.find("66020101"), std::string::npos) << missing.err;
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
      {"--tolerable abc", "不是金额"},
      {"--tolerable 1,0000", "不是金额"},
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
  // A database without its format description beside it: said before any work.
  test::WriteFile(out / "GBA.mdb", test::ReadFile(db_));
  const Ran alone = RunApart(kHost + " sample --size 5 --db " + ShellWord(out / "GBA.mdb"));
  EXPECT_EQ(alone.exit_code, 2);
  EXPECT_NE(alone.err.find("抽样按它查找凭证表"), std::string::npos) << alone.err;
  EXPECT_NE(alone.err.find("--gssm"), std::string::npos) << alone.err;
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
