// Whole conversions pinned byte for byte: for each book set the result, the error box,
// the host log, every event of the dialog (each status text and every value the
// progress bar receives), the staged files and a dump of every schema object and
// every row of GBA.mdb (row identities, storage classes and values) are compared with
// a snapshot kept in tests/plugin/snapshots/. A change of any of them is a change of
// behaviour, however the conversion is carried out inside.
//
// QORU_UPDATE_SNAPSHOTS=1 rewrites the snapshots instead of comparing.
#include <gtest/gtest.h>

#include <sqlite3.h>
#include <algorithm>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "files/file_system.h"
#include "gendata/dataset.h"
#include "test_support/bookset.h"
#include "test_support/db_fixture.h"
#include "test_support/log_capture.h"
#include "test_support/system.h"
#include "text/gbk_codec.h"

namespace qoru {
namespace {

using test::BookSet;
using test::DumpDatabase;
using test::Escaped;
using test::Rows;
using test::TwoTypeSet;
using test::Workspace;

std::uint64_t Fnv1a(std::string_view bytes) {
  std::uint64_t h = 1469598103934665603ull;
  for (const char c : bytes) {
    h ^= static_cast<unsigned char>(c);
    h *= 1099511628211ull;
  }
  return h;
}

struct Outcome {
  std::u16string result;
  std::vector<std::string> errors;
  std::vector<std::string> events;
  std::vector<test::LogEntry> log;
};

Outcome Convert(const Workspace& ws, HeadlessFace::Script script = {}) {
  test::ClearLog();
  test::RunOutcome outcome = test::RunDoIt(ws.work(), ws.source(), script);
  return {outcome.result, outcome.errors, outcome.events, test::LogEntries()};
}

std::string Snapshot(const Workspace& ws, const Outcome& run) {
  std::string result = test::Utf8(run.result);
  // The work area as the result spells it ("\\" between folders on Windows).
  const std::string work = test::Utf8(test::ResultPath(ws.work()));
  if (result.rfind(work, 0) == 0) {
    result = "WORK/" + result.substr(work.size());
    std::replace(result.begin(), result.end(), '\\', '/');
  }
  std::string out = "result: " + Escaped(result) + "\n";
  for (const auto& e : run.errors) out += "error: " + Escaped(e) + "\n";
  for (const auto& l : run.log)
    out += "log " + std::to_string(l.level) + ": " + Escaped(test::Utf8(l.message)) + "\n";
  for (const auto& e : run.events) out += "event: " + Escaped(e) + "\n";
  const std::string scratch = ws.work() + "TemplateTemp/";
  std::vector<std::string> names = ListDirectory(scratch);
  std::sort(names.begin(), names.end());
  for (const auto& name : names) {
    if (name == "GBA.mdb") continue;
    const std::string bytes = test::ReadFile(scratch + name);
    char digest[17];
    std::snprintf(digest, sizeof digest, "%016llx", static_cast<unsigned long long>(Fnv1a(bytes)));
    out += "staged: " + Escaped(GbkToUtf8(name)) + " " + std::to_string(bytes.size()) + " " +
           digest + "\n";
  }
  return out + DumpDatabase(ws.db());
}

// Compares with the stored snapshot `name`, or stores it when asked to.
void ExpectSnapshot(const std::string& name, const std::string& actual) {
  const std::string path =
      std::string(QORU_SOURCE_DIR) + "/tests/plugin/snapshots/" + name + ".txt";
  const char* update = std::getenv("QORU_UPDATE_SNAPSHOTS");
  if (update != nullptr && std::string(update) == "1") {
    std::ofstream(path, std::ios::binary) << actual;
    return;
  }
  std::ifstream in(path, std::ios::binary);
  ASSERT_TRUE(in.good()) << "no snapshot " << path << " (QORU_UPDATE_SNAPSHOTS=1 writes it)";
  std::stringstream expected;
  expected << in.rdbuf();
  if (expected.str() == actual) return;
  std::istringstream e(expected.str()), a(actual);
  std::string el, al;
  for (int line = 1;; ++line) {
    const bool more_e = static_cast<bool>(std::getline(e, el));
    const bool more_a = static_cast<bool>(std::getline(a, al));
    if (!more_e && !more_a) break;
    if (!more_e || !more_a || el != al) {
      const std::string kept = std::string(QORU_BINARY_DIR) + "/" + name + ".actual.txt";
      std::ofstream(kept, std::ios::binary) << actual;
      FAIL() << name << ": line " << line << " differs\n  expected: " << el
             << "\n  actual:   " << al << "\n(whole output in " << kept << ")";
    }
  }
}

Rows Postings(std::initializer_list<std::pair<const char*, const char*>> account_group) {
  Rows rows;
  int n = 0;
  for (const auto& [account, group] : account_group)
    rows.push_back({account, "行" + std::to_string(++n), "1.00", "0.00", "人民币", "0", group});
  return rows;
}

void ConvertGenerated(const std::string& name, gen::DatasetOptions options,
                      HeadlessFace::Script script = {}) {
  Workspace ws;
  gen::WriteDataset(ws.source(), options);
  const Outcome run = Convert(ws, script);
  ExpectSnapshot(name, Snapshot(ws, run));
}

gen::DatasetOptions Quirky(std::uint64_t seed) {
  gen::DatasetOptions options;
  options.seed = seed;
  options.depth = 4;
  options.postings = 240;
  options.balances = 60;
  gen::EnableIrregularities(options);
  return options;
}

TEST(ConversionSnapshot, GeneratedBookSet) {
  ConvertGenerated("generated", Quirky(3));
}

TEST(ConversionSnapshot, GeneratedBookSetWithCommasAndACloseRequest) {
  gen::DatasetOptions options = Quirky(11);
  options.commas_and_quotes = true;
  HeadlessFace::Script script;
  script.close_at_yield = 40;  // in the voucher pass
  ConvertGenerated("generated_commas_close", options, script);
}

// A book set per case: the two-type set changed by `edit`, written with the format
// description that `gssm` makes of it (when given), then touched by `after`.
struct SnapshotCase {
  const char* name;
  void (*edit)(BookSet& set);
  std::string (*gssm)(const BookSet& set) = nullptr;
  void (*after)(const Workspace& ws) = nullptr;
};

std::string Without(std::string text, const std::string& piece, const std::string& by = "") {
  text.replace(text.find(piece), piece.size(), by);
  return text;
}

const SnapshotCase kCases[] = {
    {"lookup_rules",
     [](BookSet& set) {
       // The first chart row of a code wins; codes compare without ASCII case; the
       // posting's code is trimmed; a quote in a code is doubled in the look-up; a type
       // may name any column, twice; blank groups cause no look-up.
       set.kjkm = {{"1001", "现金", "借", ""},    {"6602", "费用", "借", "A/B"},
                   {"6602", "重复", "借", "B/A"}, {"ab01", "小写", "借", "B"},
                   {"O'K", "引号", "借", "A/B"},  {"7701", "摘要列", "借", "摘要/A/A"}};
       set.jzpz = Postings({{"6602", "a1/b1"},
                            {" 6602  ", "a2"},
                            {"AB01", "b9"},
                            {"o'k", "x/"},
                            {"6602", "   "},
                            {"7701", "s/a1/a2"},
                            {"6602", "/b2"},
                            {"1001", ""}});
       set.kmye = {{"6602", "人民币", "1", "a1/b1"}, {"ab01", "美元", "2", "b2"}};
     }},
    {"bytes_not_gbk", [](BookSet&) {}, nullptr,
     [](const Workspace& ws) {
       // 0xFF starts no character: it is imported as U+FFFD, which the auxiliary
       // columns receive as it stands (its legacy form is four bytes, not "?").
       test::WriteFile(ws.source() + "/JZPZ.txt",
                       Gbk("6602\t甲\t1\t0\t人民币\t0\ta1/b1\r\n6602\t乙\t1\t0\t人民币\t0\ta") +
                           "\xFF" + Gbk("2/b1\r\n"));
     }},
    {"index_error_mid_table",
     [](BookSet& set) {
       set.jzpz = Postings({{"6602", "a1/b1"}, {"1122", "b1"}, {"1001", "a1"}, {"6602", "a2"}});
     }},
    {"more_codes_than_names",
     [](BookSet& set) {
       set.jzpz = Postings({{"6602", "a1"}, {"1122", "b1/x"}, {"6602", "a2"}});
     }},
    {"account_not_in_chart",
     [](BookSet& set) {
       set.kmye = {{"6602", "人民币", "1", "a1/b1"}, {"9999", "人民币", "1", "a1"}};
     }},
    {"type_not_a_column",
     [](BookSet& set) {
       set.kjkm[1][3] = "A/ B";
       set.jzpz = Postings({{"1122", "b1"}, {"6602", "a1/b1"}, {"1122", "b1"}});
     }},
    {"code_too_long_in_vouchers",
     [](BookSet& set) {
       const std::string long_code = std::string(256, 'x') + "/b1";
       set.jzpz = Postings({{"6602", "a1/b1"}, {"6602", "a2"}, {"6602", "a2"}});
       set.jzpz[1][6] = long_code;
     }},
    {"code_too_long_in_balances",
     [](BookSet& set) {
       set.kmye = {{"1122", "人民币", "1", "b1"},
                   {"6602", "人民币", "2", std::string(300, 'y') + "/b1"},
                   {"1122", "人民币", "3", "b1"}};
     }},
    {"duplicate_type_names",
     [](BookSet& set) {
       set.aux_types = {"A", "B", "A"};
       set.jzpz = Postings({{"1001", ""}, {"6602", "a1/b1"}});
     }},
    {"no_rows",
     [](BookSet& set) {
       set.jzpz.clear();
       set.kmye.clear();
     }},
    {"vouchers_without_group_column",
     [](BookSet& set) {
       set.jzpz = {{"6602", "x", "1", "0", "人民币", "0"}};
     },
     [](const BookSet& set) {
       return Without(set.Gssm(), "作废标志,文本,100\n辅助核算组,文本,100\n",
                      "作废标志,文本,100\n");
     }},
    {"chart_without_types_column",
     [](BookSet& set) {
       set.jzpz = Postings({{"1001", ""}, {"6602", "a1/b1"}});
       for (auto& row : set.kjkm) row.pop_back();
     },
     [](const BookSet& set) { return Without(set.Gssm(), "辅助核算项,文本,100\n"); }},
};

TEST(ConversionSnapshot, HandMadeBookSets) {
  for (const SnapshotCase& c : kCases) {
    SCOPED_TRACE(c.name);
    Workspace ws;
    BookSet set = TwoTypeSet();
    c.edit(set);
    ws.WriteBookSet(set);
    if (c.gssm != nullptr) ws.WriteSource("GSSM.txt", c.gssm(set));
    if (c.after != nullptr) c.after(ws);
    const Outcome run = Convert(ws);
    ExpectSnapshot(c.name, Snapshot(ws, run));
  }
}

TEST(ConversionSnapshot, SecondRunOverTheSameWorkArea) {
  Workspace ws;
  BookSet set = TwoTypeSet();
  set.jzpz = Postings({{"6602", "a1/b1"}, {"1122", "b1"}});
  ws.WriteBookSet(set);
  Convert(ws);
  const Outcome second = Convert(ws);
  ExpectSnapshot("second_run", Snapshot(ws, second));
}

}  // namespace
}  // namespace qoru
