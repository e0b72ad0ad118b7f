#include "screening/book_loader.h"

#include <algorithm>
#include <any>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <optional>

#include "checks/tables/book_database.h"
#include "checks/tables/book_tables.h"
#include "checks/tables/chart.h"
#include "checks/values/book_text.h"
#include "checks/values/book_words.h"
#include "database/sql/jet_translator.h"
#include "host/trace.h"
#include "screening/book_builder.h"

namespace qoru::screening {
namespace {

using checks::BookDatabase;
using checks::Role;

const std::vector<std::pair<std::string, std::vector<std::string>>> kScreeningRoles = {
    {"summary", {"摘要", "记账凭证摘要"}},
    {"preparer", {"制单人员", "制单人"}},
    {"approver", {"审核人员", "审核人"}},
    {"poster", {"记账人员", "记账人"}},
};

// Names go into statements through the one quoting function of the engine.
using db::QuoteName;

// The postings table's rows, `columns` of them (indexes into `expressions`, -1 for
// none; in the order of kPostingFields) handed to `builder` in stored order. The tables' scan reads
// the rows on two threads, which also prepare them (their amounts, dates and hashes:
// BookBuilder::Prepare) while this thread builds from the batches before.
constexpr std::size_t kPostingColumns = 11;
constexpr std::string_view PostingRow::*kPostingFields[kPostingColumns] = {
    &PostingRow::date,    &PostingRow::type,     &PostingRow::number,  &PostingRow::line,
    &PostingRow::account, &PostingRow::debit,    &PostingRow::credit,  &PostingRow::void_flag,
    &PostingRow::summary, &PostingRow::preparer, &PostingRow::approver};

void ReadPostings(BookDatabase& db, const std::string& table,
                  const std::vector<std::string>& expressions,
                  const int (&columns)[kPostingColumns], BookBuilder& builder) {
  // One snapshot for the room made and the rows read.
  db.BeginRead();
  struct EndRead {
    BookDatabase& db;
    ~EndRead() { db.EndRead(); }
  } end_read{db};
  const std::optional<checks::RowidRange> range = db.Rowids(table);
  if (!range) return;  // no rows
  // Room for the rows at once, which the rowids' range bounds; beyond 16 million rows
  // (or rowids spread far apart) the lists grow as they fill.
  if (range->Width() < (1U << 24)) builder.Reserve(static_cast<std::size_t>(range->Width() + 1));
  using Prepared = std::vector<PreparedRow>;
  const auto prepare = [&](checks::TextBatch& batch) {
    auto* rows = std::any_cast<Prepared>(&batch.prepared());
    if (rows == nullptr) rows = &batch.prepared().emplace<Prepared>();
    rows->resize(batch.size());
    const auto text = [&](std::size_t r, std::size_t c) {
      return columns[c] >= 0 ? batch.Text(r, static_cast<std::size_t>(columns[c]))
                             : std::string_view();
    };
    std::string key;
    const PreparedRow* before = nullptr;  // the batch's last kept row
    for (std::size_t r = 0; r < batch.size(); ++r) {
      PostingRow p;
      for (std::size_t c = 0; c < kPostingColumns; ++c) p.*kPostingFields[c] = text(r, c);
      PreparedRow& prepared = (*rows)[r];
      builder.Prepare(p, before, prepared, key);
      if (!prepared.void_row) before = &prepared;
    }
  };
  db.ScanAheadBatches(table, expressions, prepare,
                      [&](std::int64_t first, const checks::TextBatch& batch) {
                        const Prepared& rows = std::any_cast<const Prepared&>(batch.prepared());
                        constexpr std::size_t kAhead = 8;
                        for (std::size_t r = 0; r < batch.size(); ++r) {
                          if (r + kAhead < batch.size()) builder.Prefetch(rows[r + kAhead]);
                          builder.Add(first + static_cast<std::int64_t>(r), rows[r]);
                        }
                      });
}

}  // namespace

const std::vector<std::pair<std::string, std::vector<std::string>>>& ScreeningRoleNames() {
  return kScreeningRoles;
}

bool AddColumnOverride(std::string_view text, ColumnOverrides& out, std::string* error) {
  const std::size_t dot = text.find('.');
  const std::size_t eq = text.find('=');
  if (dot != std::string_view::npos && eq != std::string_view::npos && dot < eq) {
    const std::string_view table = text.substr(0, dot);
    const std::string_view role = text.substr(dot + 1, eq - dot - 1);
    for (const auto& [word, names] : kScreeningRoles) {
      if (role != word || (table != "postings" && table != "记账凭证")) continue;
      if (eq + 1 == text.size()) {
        *error = "--column 的值 " + std::string(text) + " 没有列名";
        return false;
      }
      out.screening.push_back({word, std::string(text.substr(eq + 1))});
      return true;
    }
  }
  std::optional<checks::ColumnOverride> o = checks::ParseColumnOverride(text, error);
  if (!o) return false;
  out.checks.push_back(std::move(*o));
  return true;
}

ScreenBook LoadScreenBook(const std::string& database, const std::string& description,
                          const ColumnOverrides& overrides, std::string book_set_name) {
  BookDatabase db(database);
  const checks::BookTables tables = checks::FindBookTables(db, description, overrides.checks);
  const checks::TableRoles& postings = tables.postings;

  // The chart's codes (without the completion's rows) and names, the code structure and
  // the book-set year: the book table's, else the balances' when all rows agree.
  ChartAccounts chart;
  chart.structure = tables.book.structure;
  std::string no_year;
  const std::optional<int> year = checks::ReadBookSetYear(db, tables, &no_year);
  const bool chart_known = tables.chart.present() && tables.chart.Column(Role::kAccount);
  const checks::Chart loaded =
      chart_known ? checks::Chart::Load(db, tables.chart, chart.structure) : checks::Chart();
  if (chart_known) {
    const std::vector<std::string> chart_columns = db.Columns(tables.chart.name());
    const std::string* name_column = checks::FindColumn(chart_columns, "科目名称");
    checks::ColumnSelection selection;
    const int a = selection.Add(tables.chart.Column(Role::kAccount));
    const int n = selection.Add(name_column);
    db.Scan(tables.chart.name(), selection.expressions,
            [&](std::int64_t row, const checks::ScanRow& r) {
              if (row > loaded.file_rows()) return;
              chart.accounts.emplace_back(std::string(checks::TrimBlanks(r.Text(a))),
                                          n >= 0 ? std::string(r.Text(n)) : std::string());
            });
  }
  const std::vector<std::pair<std::string, std::string>> chart_names = chart.accounts;

  // The posting columns: the checks' roles, then screening's own.
  ScreenColumns present;
  const Role roles[] = {Role::kDate,    Role::kType,  Role::kNumber, Role::kLine,
                        Role::kAccount, Role::kDebit, Role::kCredit};
  const char* words[] = {"date", "type", "number", "line", "account", "debit", "credit"};
  bool* flags[] = {&present.date,    &present.type,  &present.number, &present.line,
                   &present.account, &present.debit, &present.credit};
  for (std::size_t i = 0; i < std::size(roles); ++i) {
    *flags[i] = postings.Column(roles[i]) != nullptr;
    if (!*flags[i]) present.missing[words[i]] = postings.Missing(roles[i]);
  }
  std::vector<std::string> extra(kScreeningRoles.size());
  if (postings.present()) {
    const std::vector<std::string> columns = db.Columns(postings.name());
    for (std::size_t i = 0; i < kScreeningRoles.size(); ++i) {
      const auto& [role, names] = kScreeningRoles[i];
      const std::string* found = nullptr;
      std::string wanted;
      for (const PostingColumnOverride& o : overrides.screening)
        if (o.role == role) wanted = o.column;
      if (!wanted.empty()) {
        found = checks::FindColumn(columns, wanted);
        if (!found)
          present.missing[role] =
              "凭证表 " + postings.name() + " 没有列 " + wanted + "（" + role + "）";
      } else {
        for (const std::string& name : names)
          if ((found = checks::FindColumn(columns, name))) break;
        if (!found) {
          std::string list;
          for (const std::string& name : names) list += (list.empty() ? "" : "、") + name;
          present.missing[role] = "凭证表 " + postings.name() + " 没有" + list + "列";
        }
      }
      if (found) extra[i] = *found;
    }
  } else {
    for (const auto& [role, names] : kScreeningRoles)
      present.missing[role] = postings.Missing(Role::kDate);
  }
  present.summary = !extra[0].empty();
  present.preparer = !extra[1].empty();
  present.approver = !extra[2].empty();
  present.poster = !extra[3].empty();

  BookBuilder builder(present, std::move(chart));
  if (postings.present()) {
    checks::ColumnSelection selection;
    const int date = selection.Add(postings.Column(Role::kDate));
    const int type = selection.Add(postings.Column(Role::kType));
    const int number = selection.Add(postings.Column(Role::kNumber));
    const int line = selection.Add(postings.Column(Role::kLine));
    const int account = selection.Add(postings.Column(Role::kAccount));
    const int debit = selection.Add(postings.Column(Role::kDebit));
    const int credit = selection.Add(postings.Column(Role::kCredit));
    const int void_flag = selection.Add(postings.Column(Role::kVoid));
    // The summary, preparer and approver; the poster's column is known but no test
    // reads it.
    int texts[3];
    for (std::size_t i = 0; i < 3; ++i)
      texts[i] = selection.Add(extra[i].empty() ? nullptr : &extra[i]);
    if (!selection.expressions.empty()) {
      const int columns[] = {date,   type,      number,   line,     account, debit,
                             credit, void_flag, texts[0], texts[1], texts[2]};
      ReadPostings(db, postings.name(), selection.expressions, columns, builder);
    }
  }
  // The tie-out while the vouchers are put in order: the database is not used otherwise
  // meanwhile.
  ScreenBook book =
      builder.Finish(std::move(book_set_name), postings.present() ? postings.name() : "", year,
                     [&](ScreenBook& finished) {
                       TieOutToBalances(db, tables, loaded, chart_known, chart_names, finished);
                     });
  if (!postings.present()) book.population.counted = false;
  return book;
}

std::string ScreenableAfterFailure(const ScreenBook& book, const std::vector<std::string>& stages,
                                   const std::string& failure) {
  const bool no_balances = !book.tie_out.done && book.tie_out.why_not == "无余额表";
  // The postings table is whole when the conversion stopped in a stage after the one that
  // imports the postings (spreading their aux codes).
  bool postings_whole = false;
  for (std::size_t i = 0; i + 1 < stages.size(); ++i)
    if (stages[i] == kStageVoucherPass) postings_whole = true;
  if (!no_balances || !book.population.counted || !postings_whole) return {};
  return "账套没有余额表，转换在凭证表导入之后停止（" + failure + "）；凭证表已完整导入，照常测试";
}

}  // namespace qoru::screening
