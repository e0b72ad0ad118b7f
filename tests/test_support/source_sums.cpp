#include "test_support/source_sums.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <vector>

#include "test_support/temp_dir.h"
#include "text/gbk_codec.h"

namespace qoru::test {
namespace {

std::vector<std::string> SourceLines(const std::string& text) {
  std::vector<std::string> lines;
  for (std::string line : SplitText(text, '\n')) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  if (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

std::string SourceTrim(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

// A decimal in millionths, or nullopt.
std::optional<Micros> SourceParse(const std::string& raw) {
  const std::string t = SourceTrim(raw);
  if (t.empty()) return Micros{0};
  std::size_t i = 0;
  const bool negative = t[0] == '-';
  if (t[0] == '-' || t[0] == '+') ++i;
  Micros whole = 0, fraction = 0;
  int decimals = 0;
  bool digits = false, point = false;
  for (; i < t.size(); ++i) {
    if (t[i] == '.' && !point) {
      point = true;
    } else if (t[i] >= '0' && t[i] <= '9') {
      digits = true;
      if (point) {
        if (++decimals > 6) return std::nullopt;
        fraction = fraction * 10 + (t[i] - '0');
      } else {
        whole = whole * 10 + (t[i] - '0');
      }
    } else {
      return std::nullopt;
    }
  }
  if (!digits) return std::nullopt;
  for (; decimals < 6; ++decimals) fraction *= 10;
  const Micros value = whole * 1000000 + fraction;
  return negative ? -value : value;
}

// The file and the columns (UTF-8 names by position) of a GSSM.txt section.
struct SourceTable {
  std::string file;
  std::map<std::string, std::size_t> columns;
};

SourceTable SourceSection(const std::string& source, const std::string& name) {
  const std::string gssm = GbkToUtf8(ReadFile(source + "/GSSM.txt"));
  const std::vector<std::string> lines = SourceLines(gssm);
  SourceTable t;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (SourceTrim(lines[i]) != "[" + name + "]") continue;
    t.file = SourceTrim(lines[i + 1]);
    for (std::size_t j = i + 2; j < lines.size() && !SourceTrim(lines[j]).empty(); ++j)
      t.columns[SplitText(lines[j], ',')[0]] = j - i - 2;
  }
  EXPECT_FALSE(t.file.empty()) << "no section " << name;
  return t;
}

std::vector<std::vector<std::string>> SourceRows(const std::string& source, const SourceTable& t) {
  std::vector<std::vector<std::string>> rows;
  for (const std::string& line : SourceLines(GbkToUtf8(ReadFile(source + "/" + t.file))))
    if (!line.empty()) rows.push_back(SplitText(line, '\t'));
  return rows;
}

std::string SourceField(const std::vector<std::string>& row, const SourceTable& t,
                        const std::string& name) {
  const std::size_t i = t.columns.at(name);
  return i < row.size() ? SourceTrim(row[i]) : std::string();
}

Micros SourceAmount(const std::vector<std::string>& row, const SourceTable& t,
                    const std::string& name) {
  return SourceParse(SourceField(row, t, name)).value_or(0);
}

}  // namespace

SourceSums SumPostings(const std::string& source) {
  const SourceTable t = SourceSection(source, "记账凭证");
  SourceSums sums;
  for (const auto& row : SourceRows(source, t)) {
    const Micros debit = SourceAmount(row, t, "借方金额"),
                 credit = SourceAmount(row, t, "贷方金额");
    const auto add = [&](SourceTally& tally) {
      ++tally.count;
      tally.debit += debit;
      tally.credit += credit;
    };
    add(sums.rows);
    if (SourceField(row, t, "作废标志") == "1") add(sums.void_rows);
  }
  return sums;
}

Micros Decimal(const nlohmann::json& text) {
  const std::optional<Micros> m =
      text.is_string() ? SourceParse(text.get<std::string>()) : std::nullopt;
  EXPECT_TRUE(m.has_value()) << text;
  return m.value_or(0);
}

double AsDouble(Micros m) {
  return static_cast<double>(m) / 1e6;
}

std::set<std::pair<std::string, int>> UntiedAccountMonths(const std::string& source) {
  const SourceTable chart = SourceSection(source, "会计科目");
  std::set<std::string> codes;
  for (const auto& row : SourceRows(source, chart))
    codes.insert(SourceField(row, chart, "科目编号"));
  std::set<std::string> leaves;
  for (const std::string& c : codes) {
    bool parent = false;
    for (const std::string& other : codes)
      parent = parent || (other.size() > c.size() && other.compare(0, c.size(), c) == 0);
    if (!parent) leaves.insert(c);
  }
  using Key = std::pair<std::string, int>;
  struct Sums {
    Micros debit = 0, credit = 0;
  };
  std::map<Key, Sums> postings, totals, aux;
  std::set<int> months;
  const SourceTable p = SourceSection(source, "记账凭证");
  for (const auto& row : SourceRows(source, p)) {
    if (SourceField(row, p, "作废标志") == "1") continue;
    const int month = std::stoi(SourceField(row, p, "凭证日期").substr(4, 2));
    months.insert(month);
    Sums& s = postings[Key(SourceField(row, p, "科目编号"), month)];
    s.debit += SourceAmount(row, p, "借方金额");
    s.credit += SourceAmount(row, p, "贷方金额");
  }
  const SourceTable b = SourceSection(source, "科目余额及发生额");
  for (const auto& row : SourceRows(source, b)) {
    const int month = std::stoi(SourceField(row, b, "会计月度"));
    months.insert(month);
    Sums& s = (SourceField(row, b, "辅助核算组").empty()
                   ? totals
                   : aux)[Key(SourceField(row, b, "科目编号"), month)];
    s.debit += SourceAmount(row, b, "借方发生额");
    s.credit += SourceAmount(row, b, "贷方发生额");
  }
  std::set<Key> untied;
  for (const std::string& leaf : leaves) {
    for (const int month : months) {
      const Key key{leaf, month};
      const Sums mine = postings.count(key) ? postings[key] : Sums{};
      const Sums theirs = totals.count(key) ? totals[key] : aux.count(key) ? aux[key] : Sums{};
      if (mine.debit != theirs.debit || mine.credit != theirs.credit) untied.insert(key);
    }
  }
  return untied;
}

void RemoveBalanceTable(const std::string& source) {
  const SourceTable b = SourceSection(source, "科目余额及发生额");
  std::filesystem::remove(source + "/" + b.file);
  std::string out;
  bool skipping = false;
  for (const std::string& line : SourceLines(GbkToUtf8(ReadFile(source + "/GSSM.txt")))) {
    if (SourceTrim(line) == "[科目余额及发生额]") skipping = true;
    if (skipping && SourceTrim(line).empty()) {
      skipping = false;
      continue;
    }
    if (!skipping) out += line + "\r\n";
  }
  WriteFile(source + "/GSSM.txt", Utf8ToGbk(out));
}

}  // namespace qoru::test
