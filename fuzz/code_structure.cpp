// Fuzz target: the book table's 科目结构 (the code structure, "4-2-2") and the chart of
// accounts linked by it.
//
// Input: the first line is the 科目结构 value (the book table's second column beside a
// 年度 in the first), each further line a chart row "code<TAB>direction". Checks:
//   - a structure is empty or levels of 1 to 1000, and written back as levels joined by
//     "-" it reads as the same levels; the book table's facts carry it and the trimmed
//     text, and the year of the first column as ParseYear reads it;
//   - the chart finds every account by its key, each parent's key is a proper prefix of
//     its child's (under a structure one level shorter, without one the longest prefix
//     that the chart holds), the children lists are exactly the parents' inverse, and
//     every row whose direction is no side word is listed as unreadable.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "checks/tables/book_table.h"
#include "checks/tables/chart.h"
#include "checks/values/book_text.h"
#include "checks/values/book_words.h"
#include "fuzz_support.h"

using namespace qoru;
using namespace qoru::checks;

namespace {

void CheckStructure(std::string_view text) {
  const std::vector<int> levels = ParseCodeStructure(text);
  std::string joined;
  for (int n : levels) {
    FUZZ_CHECK(n >= 1 && n <= 1000);
    joined += (joined.empty() ? "" : "-") + std::to_string(n);
  }
  FUZZ_CHECK(ParseCodeStructure(joined) == levels);

  const std::string year_text = text.size() > 3 ? std::string(text.substr(0, 3)) : "2023";
  const BookFacts facts = BookFactsOf("DZZB", {"年度", "科目结构"},
                                      std::vector<std::string>{year_text, std::string(text)}, {});
  FUZZ_CHECK(facts.structure == levels);
  FUZZ_CHECK(facts.structure_text == TrimBlanks(text));
  FUZZ_CHECK(facts.year == ParseYear(year_text));
  FUZZ_CHECK(facts.year.has_value() == facts.no_year.empty());
}

void CheckChart(const std::vector<std::pair<std::string, std::string>>& rows,
                const std::vector<int>& levels) {
  const Chart chart = Chart::FromRows(rows, levels, true);
  std::vector<std::size_t> ends;
  std::size_t end = 0;
  for (int n : levels) ends.push_back(end += static_cast<std::size_t>(n));
  std::size_t unreadable = 0, children = 0, with_parent = 0;
  for (const auto& [code, direction] : rows) unreadable += ParseSide(direction) == Side::kOther;
  FUZZ_CHECK(chart.unreadable().size() == unreadable);
  for (int i = 0; i < chart.size(); ++i) {
    const Account& a = chart[i];
    FUZZ_CHECK(!a.key.empty() && a.key == AccountKey(a.code));
    FUZZ_CHECK(chart.Find(a.key) == i);
    children += a.children.size();
    for (int c : a.children) FUZZ_CHECK(chart[c].parent == i);
    if (a.parent < 0) continue;
    ++with_parent;
    const std::string& p = chart[a.parent].key;
    FUZZ_CHECK(p.size() < a.key.size() && a.key.starts_with(p));
    if (!ends.empty()) {
      bool consecutive = false;
      for (std::size_t l = 1; l < ends.size(); ++l)
        consecutive |= ends[l] == a.key.size() && ends[l - 1] == p.size();
      FUZZ_CHECK(consecutive);
    } else {
      for (std::size_t len = p.size() + 1; len < a.key.size(); ++len)
        FUZZ_CHECK(chart.Find(std::string_view(a.key).substr(0, len)) < 0);
    }
  }
  FUZZ_CHECK(children == with_parent);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string_view> lines = fuzz::Split(text, '\n');
  CheckStructure(lines[0]);
  std::vector<std::pair<std::string, std::string>> rows;
  for (std::size_t i = 1; i < lines.size() && rows.size() < 2000; ++i) {
    const std::vector<std::string_view> fields = fuzz::Split(lines[i], '\t', 2);
    rows.emplace_back(fields[0], fields.size() > 1 ? fields[1] : std::string_view());
  }
  CheckChart(rows, ParseCodeStructure(lines[0]));
  return 0;
}
