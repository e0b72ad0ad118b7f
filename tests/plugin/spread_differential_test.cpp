// Whole conversions of generated book sets, each run twice: once with the voucher and
// balance tables spread while they are imported (every row written once), once with
// them imported first and walked through the queries. Whatever the book set holds, the
// two must give the same result, error box, dialog events and database, table for table.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <algorithm>

#include "faces/headless_face.h"
#include "gendata/dataset.h"
#include "plugin/deal_with_gbtxt.h"
#include "test_support/bookset.h"
#include "test_support/db_fixture.h"
#include "test_support/temp_dir.h"

namespace qoru {
namespace {

struct Conversion {
  int modal_result = 0;
  std::vector<std::string> errors;
  std::vector<std::string> events;   // status, progress and state changes, in order
  std::vector<std::string> notices;  // notes beside the dialog, sorted
  std::string database;
  int free_pages = -1;
};

Conversion Convert(const gen::DatasetOptions& options, bool spread_while_importing,
                   const std::function<void(const std::string&)>& spoil = nullptr) {
  test::Workspace ws;
  gen::WriteDataset(ws.source(), options);
  if (spoil) spoil(ws.source());
  HeadlessFace::Script script;
  script.quiet = true;
  script.record = true;
  HeadlessFace face(script);
  Conversion run;
  {
    TForm_DealWithVAROZ form(face);
    form.WorkDir = ws.work();
    form.SourceDir = ws.source();
    form.SpreadWhileImporting = spread_while_importing;
    run.modal_result = form.ShowModal();
  }
  run.errors = face.errors();
  // Notes beside the dialog come when their table is imported, which differs between
  // the two ways; they are compared as a set.
  for (const std::string& e : face.events())
    (e.rfind("notice:", 0) == 0 ? run.notices : run.events).push_back(e);
  std::sort(run.notices.begin(), run.notices.end());
  run.database = test::DumpDatabase(ws.db());
  const test::Rows free = test::QueryRows(ws.db(), "PRAGMA freelist_count");
  if (!free.empty()) run.free_pages = std::stoi(free[0][0]);
  return run;
}

// Appends raw GBK bytes to a source file.
void Append(const std::string& path, const std::string& bytes) {
  test::WriteFile(path, test::ReadFile(path) + bytes);
}

TEST(SpreadDifferential, BothWaysGiveTheSameConversion) {
  struct Case {
    const char* name;
    std::function<void(gen::DatasetOptions&)> options;
    std::function<void(const std::string&)> spoil = {};  // changes the written book set
  };
  const std::vector<Case> cases = {
      {"every irregularity", [](gen::DatasetOptions& o) { gen::EnableIrregularities(o); }},
      {"commas and quotes",
       [](gen::DatasetOptions& o) {
         gen::EnableIrregularities(o);
         o.commas_and_quotes = true;
         o.seed = 7;
       }},
      {"one type, wide rows",
       [](gen::DatasetOptions& o) {
         gen::EnableIrregularities(o);
         o.aux_types.resize(1);
         o.wide_rows = true;
         o.seed = 3;
       }},
      {"five types",
       [](gen::DatasetOptions& o) {
         gen::EnableIrregularities(o);
         o.aux_types.push_back({"个人", "GRDA.txt", 8, "R", 3});
         o.aux_types.push_back({"存货", "CHDA.txt", 8, "H", 4});
         o.seed = 11;
       }},
      {"no auxiliary item types", [](gen::DatasetOptions& o) { o.aux_types.clear(); }},
      {"a failing posting halfway", [](gen::DatasetOptions& o) { gen::EnableIrregularities(o); },
       [](const std::string& src) {
         // An account the chart lacks, with a code: the voucher pass stops there.
         Append(src + "/JZPZ.txt",
                "2026-03-28\t\xBC\xC7\t999\t\t9999\t\xC8\xCB\xC3\xF1\xB1\xD2\t1.00\t0.00\t0\tx1\t"
                "\r\n");
       }},
      {"a code too long in the balances",
       [](gen::DatasetOptions& o) { gen::EnableIrregularities(o); },
       [](const std::string& src) {
         Append(src + "/KJKM.txt", "7777\t\xB2\xE2\xCA\xD4\t\xBD\xE8\t\xB2\xBF\xC3\xC5\r\n");
         Append(src + "/KMYE.txt",
                "7777\t\xC8\xCB\xC3\xF1\xB1\xD2\t0\t0\t0\t0\t" + std::string(300, 'x') + "\r\n");
       }},
      {"bytes that are not GBK", [](gen::DatasetOptions& o) { gen::EnableIrregularities(o); },
       [](const std::string& src) {
         Append(src + "/KJKM.txt",
                "\xFF"
                "77\tx\t\xBD\xE8\t\xB2\xBF\xC3\xC5\r\n");
         Append(src + "/JZPZ.txt",
                "2026-03-28\t\xBC\xC7\t999\t\t\xFF"
                "77\t\xC8\xCB\xC3\xF1\xB1\xD2\t1.00\t0.00\t0\t"
                "a\x80\xFF\tz\r\n");
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    gen::DatasetOptions options;
    options.depth = 4;
    options.postings = 400;
    options.balances = 80;
    c.options(options);
    const Conversion importing = Convert(options, true, c.spoil);
    const Conversion walking = Convert(options, false, c.spoil);
    EXPECT_EQ(importing.modal_result, walking.modal_result);
    EXPECT_EQ(importing.errors, walking.errors);
    EXPECT_EQ(importing.events, walking.events);
    EXPECT_EQ(importing.notices, walking.notices);
    EXPECT_EQ(importing.database, walking.database);
    // Each row written once leaves no page free.
    EXPECT_EQ(importing.free_pages, 0);
  }
}

}  // namespace
}  // namespace qoru
