// `check` and `screen` on a book set and on the same book set with its vouchers in
// another order (each voucher's rows kept together and in their order): the same items
// and findings, voucher for voucher; only the rows differ.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <random>
#include <regex>
#include <sstream>

#include <nlohmann/json.hpp>

#include "gendata/consistent_books.h"
#include "test_support/command.h"
#include "test_support/native_path.h"
#include "test_support/programs.h"
#include "test_support/temp_dir.h"
#include "text/gbk_codec.h"

namespace qoru {
namespace {

using nlohmann::json;

std::vector<std::string> TextLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> TabFields(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
    fields.push_back(line.substr(start, tab - start));
  fields.push_back(line.substr(start));
  return fields;
}

// The positions of the date, type and number among the postings' columns in GSSM.txt.
std::vector<std::size_t> VoucherColumns(const std::string& gssm_gbk) {
  const std::vector<std::string> lines = TextLines(GbkToUtf8(gssm_gbk));
  const auto section = std::find(lines.begin(), lines.end(), "[记账凭证]");
  EXPECT_NE(section, lines.end());
  std::vector<std::string> columns;
  for (auto it = section + 2; it < lines.end() && !it->empty() && (*it)[0] != '['; ++it)
    columns.push_back(it->substr(0, it->find(',')));
  std::vector<std::size_t> at;
  for (const char* name : {"凭证日期", "凭证种类", "凭证编号"})
    at.push_back(static_cast<std::size_t>(std::find(columns.begin(), columns.end(), name) -
                                          columns.begin()));
  return at;
}

// The postings file with its vouchers (year and month, type, number) in another order.
std::string VouchersShuffled(const std::string& postings, const std::vector<std::size_t>& at) {
  std::map<std::string, std::size_t> index;
  std::vector<std::vector<std::string>> vouchers;
  for (const std::string& line : TextLines(postings)) {
    if (line.empty()) continue;
    const std::vector<std::string> f = TabFields(line);
    const std::string key = f.at(at[0]).substr(0, 6) + '\t' + f.at(at[1]) + '\t' + f.at(at[2]);
    const auto [it, added] = index.try_emplace(key, vouchers.size());
    if (added) vouchers.emplace_back();
    vouchers[it->second].push_back(line);
  }
  std::shuffle(vouchers.begin(), vouchers.end(), std::mt19937(7));
  std::string out;
  for (const auto& v : vouchers)
    for (const std::string& line : v) out += line + "\r\n";
  return out;
}

// The report without what depends on the rows (the rows' numbers in the fields and the
// messages), the folder or the clock (the provenance: paths, hashes and times), its lists
// of items and findings sorted.
json ReportWithoutRows(json j) {
  if (j.is_string()) {
    static const std::regex kRow("第 [0-9]+ 行");
    return std::regex_replace(j.get<std::string>(), kRow, "第 N 行");
  }
  if (j.is_object()) {
    for (const char* key : {"row", "seconds", "book_set", "provenance"}) j.erase(key);
    for (auto& [key, value] : j.items()) value = ReportWithoutRows(value);
    for (const char* key : {"items", "findings"})
      if (j.contains(key) && j[key].is_array())
        std::sort(j[key].begin(), j[key].end(),
                  [](const json& a, const json& b) { return a.dump() < b.dump(); });
  } else if (j.is_array()) {
    for (json& value : j) value = ReportWithoutRows(value);
  }
  return j;
}

TEST(ShuffledBooks, CheckAndScreenFindTheSameWhateverTheVoucherOrder) {
  test::TempDir dir;
  // Folders of one name: the reports name their book set by its folder.
  const std::string source = dir.path() + "a/books", shuffled = dir.path() + "b/books";
  test::MakeDir(dir.path() + "a");
  test::MakeDir(dir.path() + "b");
  test::MakeDir(source);
  gen::ConsistentOptions options;
  options.postings = 3000;
  options.layout = "standard";
  options.plants = gen::ScreeningPlantKinds();
  for (const char* kind : {"voucher-balance", "voucher-numbering", "duplicate-number",
                           "non-leaf-posting", "unknown-account", "bad-value"})
    options.plants.push_back(kind);
  gen::WriteConsistentBooks(source, options);
  test::MakeDir(shuffled);
  for (const auto& entry : std::filesystem::directory_iterator(test::FsPath(source)))
    std::filesystem::copy_file(entry.path(), test::FsPath(shuffled) / entry.path().filename());
  const std::string postings = test::ReadFile(source + "/JZPZ.txt");
  const std::string reordered =
      VouchersShuffled(postings, VoucherColumns(test::ReadFile(source + "/GSSM.txt")));
  ASSERT_EQ(reordered.size(), postings.size());
  ASSERT_NE(reordered, postings);
  test::WriteFile(shuffled + "/JZPZ.txt", reordered);

  for (const char* command : {" screen --json --source ", " check --json --source "}) {
    SCOPED_TRACE(command);
    const test::Ran a = test::RunCommand(test::kHost + command + test::ShellWord(source), false);
    const test::Ran b = test::RunCommand(test::kHost + command + test::ShellWord(shuffled), false);
    ASSERT_EQ(a.exit_code, b.exit_code) << b.out;
    const json ja = ReportWithoutRows(json::parse(a.out)),
               jb = ReportWithoutRows(json::parse(b.out));
    EXPECT_EQ(ja, jb);
    EXPECT_GT(ja.dump().size(), 2000u) << "the report lists items and findings";
  }
}

}  // namespace
}  // namespace qoru
