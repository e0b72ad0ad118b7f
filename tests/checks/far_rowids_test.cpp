// A converted database whose postings' rowids were set far apart (a database made or
// edited elsewhere: rowids near both ends of the 64-bit range, or one far beyond the
// others) reads as the same postings in the same order: `check`, `screen` and `sample`
// report what they report on the database as converted. The rows' numbers count the
// rows, so nothing differs but the database's name.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "gendata/consistent_books.h"
#include "test_support/command.h"
#include "test_support/db_fixture.h"
#include "test_support/native_path.h"
#include "test_support/programs.h"
#include "test_support/temp_dir.h"

namespace qoru {
namespace {

// `text` with every occurrence of `from` replaced by `to`.
std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
    text.replace(at, from.size(), to);
  return text;
}

TEST(FarRowids, ChecksScreeningAndSamplingReadTheSamePostings) {
  test::TempDir dir;
  const std::string source = dir / "books";
  test::MakeDir(source);
  gen::ConsistentOptions options;
  options.postings = 3000;
  options.layout = "standard";
  options.plants = gen::ScreeningPlantKinds();
  for (const char* kind : {"voucher-balance", "duplicate-number", "unknown-account"})
    options.plants.push_back(kind);
  gen::WriteConsistentBooks(source, options);
  const std::string work = dir / "work";
  const test::Ran converting = test::RunConvert(source, work);
  ASSERT_EQ(converting.exit_code, 0) << converting.out;
  const std::string converted = work + "/TemplateTemp/GBA.mdb";

  const struct {
    const char* name;
    const char* sql;  // moves rowids, keeping their order
  } cases[] = {
      // The first row at the least rowid, the last at the largest: their difference
      // leaves the 64-bit range.
      {"ends",
       "UPDATE JZPZ SET rowid = 9223372036854775807 WHERE rowid = (SELECT max(rowid) "
       "FROM JZPZ); UPDATE JZPZ SET rowid = -9223372036854775808 WHERE rowid = "
       "(SELECT min(rowid) FROM JZPZ);"},
      // The last row far beyond the others: thousands of blocks of rowids, nearly all
      // empty, and no room to be made for the rowids' span.
      {"far",
       "UPDATE JZPZ SET rowid = 1099511627776 WHERE rowid = (SELECT max(rowid) FROM "
       "JZPZ);"},
  };
  const char* commands[] = {" check --db ", " screen --db ",
                            " sample --unit voucher --size 12 --seed 5 --db ",
                            " sample --size 9 --seed 3 --db ",
                            // every posting of either side listed (a top stratum from
                            // 0.01), the first and the last among them
                            " sample --threshold 0.01 --size 1 --seed 1 --db ",
                            " sample --threshold 0.01 --size 1 --seed 1 --side credit --db "};
  // Times aside, and the work area's folder (the reports name the database; on Windows
  // with either separator).
  const auto plain = [](const std::string& text, const std::string& folder) {
    const std::string t = Replaced(test::OneSeparator(text), test::OneSeparator(folder), "W");
    std::string out;
    for (std::size_t at = 0; at < t.size();) {
      const std::size_t end = std::min(t.find('\n', at), t.size());
      const std::string line = t.substr(at, end - at);
      if (line.find("用时") == std::string::npos) out += line + "\n";
      at = end + 1;
    }
    return out;
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // The converted work area copied, its database's rowids moved.
    const std::string moved = dir / c.name;
    std::filesystem::copy(test::FsPath(work), test::FsPath(moved),
                          std::filesystem::copy_options::recursive);
    test::SqliteExec(moved + "/TemplateTemp/GBA.mdb", c.sql);
    for (const char* command : commands) {
      SCOPED_TRACE(command);
      const test::Ran a =
          test::RunCommand(test::kHost + command + test::ShellWord(converted), false);
      const test::Ran b = test::RunCommand(
          test::kHost + command + test::ShellWord(moved + "/TemplateTemp/GBA.mdb"), false);
      EXPECT_EQ(a.exit_code, b.exit_code) << b.out;
      EXPECT_GT(a.out.size(), 500u) << a.out;
      EXPECT_EQ(plain(a.out, work), plain(b.out, moved));
    }
  }
}

}  // namespace
}  // namespace qoru
