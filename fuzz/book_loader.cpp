// Fuzz target: the book loader of screening and the checks, over a database made from
// the input, and the promise that the findings do not depend on the order of the
// file's vouchers.
//
// Input: one byte of parameters (the round-amount unit and which order the second
// database gives the vouchers), then lines of tab-separated values: a line "K<TAB>..."
// is a chart row (科目编号 余额方向), "Y<TAB>..." a balance row (会计年度 会计月度 科目编号
// 期初余额 借方发生额 贷方发生额 期末余额), "B<TAB>..." the book table's row (年度 科目结构),
// any other line a posting (凭证日期 凭证种类 凭证编号 行号 摘要 科目编号 借方金额 贷方金额
// 作废标志 制单人员 审核人员). The tables go into a SQLite file with its format
// description beside it. Checks:
//   - loading, screening and checking raise nothing (a sum beyond the range of exact
//     amounts aside: the checks report it, and screening refuses the book, whose
//     population totals are exact);
//   - the book holds together: vouchers in the voucher order, each voucher's postings
//     its own and in file order, every posting of a voucher listed once, the accounts in
//     the order of their keys, each item's postings real;
//   - a second database with the same vouchers in another order (each voucher's rows
//     kept together and in their order) gives the same items for every test and the same
//     findings for every check, voucher for voucher.
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "checks/book_checks.h"
#include "checks/values/amount.h"
#include "checks/values/book_text.h"
#include "checks/values/calendar_date.h"
#include "checks/values/voucher_order.h"
#include "fuzz_support.h"
#include "screening/book_loader.h"
#include "screening/screen_report.h"
#include "test_support/screen_rows.h"
#include "text/gbk_codec.h"

using namespace qoru;

namespace {

using Row = std::vector<std::string>;

const std::vector<std::string> kPostingColumns = {"凭证日期", "凭证种类", "凭证编号", "行号",
                                                  "摘要",     "科目编号", "借方金额", "贷方金额",
                                                  "作废标志", "制单人员", "审核人员"};
const std::vector<std::string> kChartColumns = {"科目编号", "余额方向"};
const std::vector<std::string> kBalanceColumns = {
    "会计年度", "会计月度", "科目编号", "期初余额", "借方发生额", "贷方发生额", "期末余额"};
const std::vector<std::string> kBookColumns = {"年度", "科目结构"};

struct Tables {
  std::vector<Row> postings, chart, balances, book;
};

// A folder of this process for the databases and their description, removed at exit.
class Folder {
 public:
  Folder() {
    // Not named qoru-*: the command line clears such folders of runs that have ended.
    std::string dir = std::filesystem::temp_directory_path().string() + "/fuzz-book-loader-XXXXXX";
    FUZZ_CHECK(::mkdtemp(dir.data()) != nullptr);
    dir_ = dir;
    std::string gssm;
    const auto section = [&](const char* name, const char* file,
                             const std::vector<std::string>& columns) {
      gssm += std::string("[") + name + "]\r\n" + file + "\r\n";
      for (const std::string& c : columns) gssm += c + ",文本,40\r\n";
      gssm += "\r\n";
    };
    section("会计科目", "KJKM.txt", kChartColumns);
    section("科目余额及发生额", "KMYE.txt", kBalanceColumns);
    section("记账凭证", "JZPZ.txt", kPostingColumns);
    section("电子账簿", "DZZB.txt", kBookColumns);
    const std::string bytes = Gbk(gssm);
    std::FILE* f = std::fopen(description().c_str(), "wb");
    FUZZ_CHECK(f != nullptr);
    FUZZ_CHECK(std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size());
    FUZZ_CHECK(std::fclose(f) == 0);
  }
  ~Folder() {
    ::unlink(description().c_str());
    ::unlink(Database(0).c_str());
    ::unlink(Database(1).c_str());
    ::rmdir(dir_.c_str());
  }
  std::string description() const { return dir_ + "/GSSM.txt"; }
  std::string Database(int n) const { return dir_ + "/GBA" + std::to_string(n) + ".mdb"; }

 private:
  std::string dir_;
};

const Folder& TheFolder() {
  static const Folder folder;
  return folder;
}

void Execute(sqlite3* db, const std::string& sql) {
  FUZZ_CHECK(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK);
}

void WriteTable(sqlite3* db, const std::string& name, const std::vector<std::string>& columns,
                const std::vector<Row>& rows) {
  std::string create = "CREATE TABLE \"" + name + "\" (",
              insert = "INSERT INTO \"" + name + "\" VALUES (";
  for (std::size_t i = 0; i < columns.size(); ++i) {
    create += (i ? ", \"" : "\"") + columns[i] + "\" TEXT";
    insert += i ? ", ?" : "?";
  }
  Execute(db, create + ")");
  sqlite3_stmt* stmt = nullptr;
  FUZZ_CHECK(sqlite3_prepare_v2(db, (insert + ")").c_str(), -1, &stmt, nullptr) == SQLITE_OK);
  for (const Row& row : rows) {
    for (std::size_t i = 0; i < columns.size(); ++i) {
      if (i < row.size())
        sqlite3_bind_text(stmt, static_cast<int>(i + 1), row[i].data(),
                          static_cast<int>(row[i].size()), SQLITE_TRANSIENT);
      else
        sqlite3_bind_null(stmt, static_cast<int>(i + 1));
    }
    FUZZ_CHECK(sqlite3_step(stmt) == SQLITE_DONE);
    sqlite3_reset(stmt);
  }
  sqlite3_finalize(stmt);
}

std::string WriteDatabase(const Tables& t, int n) {
  const std::string path = TheFolder().Database(n);
  ::unlink(path.c_str());
  sqlite3* db = nullptr;
  FUZZ_CHECK(sqlite3_open(path.c_str(), &db) == SQLITE_OK);
  Execute(db, "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; BEGIN");
  WriteTable(db, "JZPZ", kPostingColumns, t.postings);
  if (!t.chart.empty()) WriteTable(db, "KJKM", kChartColumns, t.chart);
  if (!t.balances.empty()) WriteTable(db, "KMYE", kBalanceColumns, t.balances);
  if (!t.book.empty()) WriteTable(db, "DZZB", kBookColumns, t.book);
  Execute(db, "COMMIT");
  FUZZ_CHECK(sqlite3_close(db) == SQLITE_OK);
  return path;
}

Row Fields(std::string_view line) {
  const std::vector<std::string_view> parts = fuzz::Split(line, '\t');
  return Row(parts.begin(), parts.end());
}

Tables Read(std::string_view text) {
  Tables t;
  while (!text.empty() && t.postings.size() < 400) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.starts_with("K\t")) {
      t.chart.push_back(Fields(line.substr(2)));
    } else if (line.starts_with("Y\t")) {
      t.balances.push_back(Fields(line.substr(2)));
    } else if (line.starts_with("B\t")) {
      t.book.push_back(Fields(line.substr(2)));
    } else {
      t.postings.push_back(Fields(line));
    }
  }
  return t;
}

std::string_view Field(const Row& row, std::size_t i) {
  return i < row.size() ? std::string_view(row[i]) : std::string_view();
}

// The postings with their vouchers in another order: the rows of one voucher (year and
// month of a readable date, trimmed type and number, void rows too) moved together in
// their order; rows without a readable date each on their own.
std::vector<Row> Reordered(const std::vector<Row>& postings, std::uint8_t how) {
  std::map<std::string, std::size_t> index;
  std::vector<std::vector<std::size_t>> groups;
  for (std::size_t i = 0; i < postings.size(); ++i) {
    const std::optional<checks::CalendarDate> d = checks::ParseCalendarDate(Field(postings[i], 0));
    std::string key = d ? std::to_string(d->year * 100 + d->month) + '\x1f' +
                              std::string(checks::TrimBlanks(Field(postings[i], 1))) + '\x1f' +
                              std::string(checks::TrimBlanks(Field(postings[i], 2)))
                        : "row " + std::to_string(i);
    const auto [it, added] = index.try_emplace(key, groups.size());
    if (added) groups.emplace_back();
    groups[it->second].push_back(i);
  }
  if (how % 2 == 0) {
    std::reverse(groups.begin(), groups.end());
  } else if (!groups.empty()) {
    std::rotate(groups.begin(), groups.begin() + static_cast<long>(how % groups.size()),
                groups.end());
    for (std::size_t i = 1; i < groups.size(); i += 2) std::swap(groups[i - 1], groups[i]);
  }
  std::vector<Row> out;
  for (const auto& g : groups)
    for (std::size_t i : g) out.push_back(postings[i]);
  return out;
}

void CheckBook(const screening::ScreenBook& book, const screening::ScreenReport& report) {
  const auto place = [&](const screening::ScreenVoucher& v) {
    return checks::VoucherPlace{
        v.date, book.Type(v), book.Number(v),
        book.postings[static_cast<std::size_t>(book.Postings(v).front())].row};
  };
  std::vector<int> seen(book.postings.size(), 0);
  for (std::size_t v = 0; v < book.vouchers.size(); ++v) {
    const screening::ScreenVoucher& x = book.vouchers[v];
    FUZZ_CHECK(x.count > 0);
    if (v > 0) FUZZ_CHECK(checks::VoucherBefore(place(book.vouchers[v - 1]), place(x)));
    std::int64_t last = 0;
    for (int i : book.Postings(x)) {
      const screening::ScreenPosting& p = book.postings[static_cast<std::size_t>(i)];
      FUZZ_CHECK(p.voucher == static_cast<int>(v) && p.row > last);
      last = p.row;
      ++seen[static_cast<std::size_t>(i)];
    }
  }
  for (std::size_t i = 0; i < book.postings.size(); ++i)
    FUZZ_CHECK(seen[i] == (book.postings[i].voucher >= 0 ? 1 : 0));
  for (std::size_t a = 0; a < book.accounts.size(); ++a) {
    const int first = book.accounts[a].first_level;
    FUZZ_CHECK(first >= 0 && static_cast<std::size_t>(first) < book.accounts.size());
    if (a > 0)
      FUZZ_CHECK(checks::AccountKey(book.accounts[a - 1].code) <
                 checks::AccountKey(book.accounts[a].code));
  }
  for (const screening::TestResult& r : report.tests)
    for (const screening::ScreenItem& item : r.items) {
      FUZZ_CHECK(item.count > 0 || r.id == screening::TestId::kBenford);
      for (int i : r.Postings(item))
        FUZZ_CHECK(i >= 0 && static_cast<std::size_t>(i) < book.postings.size());
      if (r.id == screening::TestId::kReversal)
        FUZZ_CHECK(item.reverses >= 0 && item.reverses < item.voucher);
    }
}

// The findings of every check as texts without their rows, sorted; empty when a sum
// left the range of exact amounts (which may depend on the order of the additions).
std::vector<std::string> Findings(const std::string& database, bool* overflowed) {
  checks::CheckOptions options;
  options.max_findings = 1 << 20;
  try {
    const checks::CheckReport report =
        checks::RunChecks(database, TheFolder().description(), options);
    std::vector<std::string> out;
    for (const checks::CheckResult& r : report.results) {
      out.push_back(std::to_string(static_cast<int>(r.id)) + " " + std::to_string(r.count) + " " +
                    r.reason);
      for (checks::Finding f : r.listed) {
        f.fields.erase("row");
        out.push_back(
            f.message + " " +
            f.fields.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace));
      }
    }
    std::sort(out.begin(), out.end());
    return out;
  } catch (const checks::AmountOverflow&) {
    *overflowed = true;
    return {};
  }
}

std::optional<screening::ScreenBook> Load(const std::string& database) {
  try {
    return screening::LoadScreenBook(database, TheFolder().description(), {}, "fuzz");
  } catch (const checks::AmountOverflow&) {
    return std::nullopt;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Cursor cursor(data, size);
  const std::uint8_t parameters = cursor.Byte();
  const Tables tables = Read(cursor.Rest());
  screening::ScreenParameters p;
  p.keywords = screening::DefaultKeywords();
  p.round_unit = checks::Amount::FromUnits(1 + parameters % 16, (parameters / 16) % 8 * 2);
  p.round_min = checks::Amount();

  const std::string first = WriteDatabase(tables, 0);
  Tables other = tables;
  other.postings = Reordered(tables.postings, parameters >> 4);
  const std::string second = WriteDatabase(other, 1);

  // The population's totals are exact sums of every row's debit and credit: a column
  // whose sum no scale can hold (10^35 beside 10^-18) refuses the book, in any order.
  const std::optional<screening::ScreenBook> book = Load(first);
  const std::optional<screening::ScreenBook> reordered = Load(second);
  if (book && reordered) {
    const screening::ScreenReport report = screening::RunScreening(*book, p);
    CheckBook(*book, report);
    const screening::ScreenReport reordered_report = screening::RunScreening(*reordered, p);
    CheckBook(*reordered, reordered_report);
    FUZZ_CHECK(test::DescribeItems(*book, report, true) ==
               test::DescribeItems(*reordered, reordered_report, true));
  }

  bool overflowed = false;
  const std::vector<std::string> findings = Findings(first, &overflowed);
  const std::vector<std::string> reordered_findings = Findings(second, &overflowed);
  if (!overflowed) FUZZ_CHECK(findings == reordered_findings);
  return 0;
}
