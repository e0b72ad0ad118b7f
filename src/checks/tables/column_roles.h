// The columns the checks read, found by role. Each role of a table names its column
// by a short list of names, of which the first present in the table serves (ASCII case
// ignored); the user may name another column for a role (`postings.date=业务日期`).
// A role without a column is not an error: the checks that need it are skipped, and
// Missing() says why in words that name the table and the names looked for.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qoru::checks {

enum class BookTable { kPostings, kBalances, kChart, kBook };

enum class Role {
  kDate,
  kType,
  kNumber,
  kAccount,
  kDebit,
  kCredit,
  kVoid,
  kYear,
  kOpening,
  kClosing,
  kAux,
  kDirection,
  kLine,
  kMonth,
  kCurrency,
  kOpeningDirection,
  kClosingDirection,
  kStructure,
};

std::string_view TableWord(BookTable table);    // "postings"
std::string_view SectionName(BookTable table);  // "记账凭证": its section in GSSM.txt
std::string_view RoleWord(Role role);           // "date"
std::string_view RoleChinese(Role role);        // "日期"

// The column names that serve `role` in `table`, in order of preference; empty when
// the table has no such role.
std::vector<std::string_view> RoleColumnNames(BookTable table, Role role);

struct ColumnOverride {
  BookTable table;
  Role role;
  std::string column;  // UTF-8 column name
};

// Reads "TABLE.ROLE=NAME", TABLE being postings, balances, chart or book (or its section
// name) and ROLE one of that table's roles. nullopt with a Chinese reason in `error`
// when the text is not of that form.
std::optional<ColumnOverride> ParseColumnOverride(std::string_view text, std::string* error);

// Every one of `texts` (the --column values) read; nullopt with the reason of the first
// wrong one in `error`.
std::optional<std::vector<ColumnOverride>> ColumnOverrides(const std::vector<std::string>& texts,
                                                           std::string* error);
// The reason why one of `texts` is wrong; empty when all are right.
std::string ColumnOptionsProblem(const std::vector<std::string>& texts);

// The column of `columns` named `name`, ASCII case ignored; nullptr when none is.
const std::string* FindColumn(const std::vector<std::string>& columns, std::string_view name);

// One table of the book set with its columns by role.
class TableRoles {
 public:
  // The table is not there; `why` says so in Chinese.
  TableRoles(BookTable table, std::string why);
  // The table `name` with `columns`; overrides for other tables are ignored.
  TableRoles(BookTable table, std::string name, const std::vector<std::string>& columns,
             const std::vector<ColumnOverride>& overrides);

  BookTable table() const { return table_; }
  bool present() const { return present_; }
  const std::string& name() const { return name_; }  // the table's name in the database

  // The column serving `role`, or nullptr when none does (or the table is absent).
  const std::string* Column(Role role) const;
  // Why `role` has no column, in Chinese.
  std::string Missing(Role role) const;
  // The reason of the first of `roles` without a column; empty when all have one.
  std::string FirstMissing(std::initializer_list<Role> roles) const;

 private:
  struct Entry {
    Role role;
    std::string column;  // empty: none
    std::string why;     // when empty
  };

  BookTable table_;
  bool present_ = false;
  std::string name_;
  std::string absent_;  // why the table is not there
  std::vector<Entry> entries_;
};

}  // namespace qoru::checks
