#include "checks/tables/column_roles.h"

#include <array>

#include "checks/values/book_text.h"

namespace qoru::checks {
namespace {

struct RoleColumns {
  BookTable table;
  Role role;
  std::vector<std::string_view> names;
};

const std::vector<RoleColumns>& Catalog() {
  using B = BookTable;
  using R = Role;
  static const std::vector<RoleColumns> kCatalog = {
      {B::kBook, R::kYear, {"年度", "会计年度"}},
      {B::kBook, R::kStructure, {"科目结构"}},
      {B::kChart, R::kAccount, {"科目编号", "科目代码"}},
      {B::kChart, R::kDirection, {"余额方向"}},
      {B::kPostings, R::kDate, {"凭证日期", "日期", "记账凭证日期"}},
      {B::kPostings, R::kType, {"凭证种类", "凭证字", "凭证类型", "凭证类别", "记账凭证类型编号"}},
      {B::kPostings, R::kNumber, {"凭证编号", "凭证号", "记账凭证编号"}},
      {B::kPostings, R::kLine, {"行号", "分录号", "分录序号", "记账凭证行号"}},
      {B::kPostings, R::kAccount, {"科目编号", "科目代码"}},
      {B::kPostings, R::kDebit, {"借方金额", "借方发生额", "借方本币金额"}},
      {B::kPostings, R::kCredit, {"贷方金额", "贷方发生额", "贷方本币金额"}},
      {B::kPostings, R::kVoid, {"作废标志"}},
      {B::kBalances, R::kYear, {"会计年度"}},
      {B::kBalances, R::kMonth, {"会计月度", "会计期间", "会计期间号", "月份"}},
      {B::kBalances, R::kAccount, {"科目编号", "科目代码"}},
      {B::kBalances, R::kCurrency, {"币种", "币种编码"}},
      {B::kBalances, R::kAux, {"辅助核算组"}},
      {B::kBalances, R::kOpening, {"期初余额", "期初本币余额"}},
      {B::kBalances, R::kOpeningDirection, {"期初余额方向", "期初方向"}},
      {B::kBalances, R::kDebit, {"借方发生额", "借方金额", "借方本币金额"}},
      {B::kBalances, R::kCredit, {"贷方发生额", "贷方金额", "贷方本币金额"}},
      {B::kBalances, R::kClosing, {"期末余额", "期末本币余额"}},
      {B::kBalances, R::kClosingDirection, {"期末余额方向", "期末方向"}},
  };
  return kCatalog;
}

constexpr std::array<Role, 18> kRoles = {Role::kDate,
                                         Role::kType,
                                         Role::kNumber,
                                         Role::kAccount,
                                         Role::kDebit,
                                         Role::kCredit,
                                         Role::kVoid,
                                         Role::kYear,
                                         Role::kOpening,
                                         Role::kClosing,
                                         Role::kAux,
                                         Role::kDirection,
                                         Role::kLine,
                                         Role::kMonth,
                                         Role::kCurrency,
                                         Role::kOpeningDirection,
                                         Role::kClosingDirection,
                                         Role::kStructure};

std::string JoinNames(const std::vector<std::string_view>& names) {
  std::string text;
  for (std::string_view n : names) text += (text.empty() ? "" : "、") + std::string(n);
  return text;
}

}  // namespace

std::string_view TableWord(BookTable table) {
  switch (table) {
    case BookTable::kPostings:
      return "postings";
    case BookTable::kBalances:
      return "balances";
    case BookTable::kChart:
      return "chart";
    case BookTable::kBook:
      return "book";
  }
  return "";
}

std::string_view SectionName(BookTable table) {
  switch (table) {
    case BookTable::kPostings:
      return "记账凭证";
    case BookTable::kBalances:
      return "科目余额及发生额";
    case BookTable::kChart:
      return "会计科目";
    case BookTable::kBook:
      return "电子账簿";
  }
  return "";
}

std::string_view RoleWord(Role role) {
  static constexpr std::string_view kWords[] = {"date",
                                                "type",
                                                "number",
                                                "account",
                                                "debit",
                                                "credit",
                                                "void",
                                                "year",
                                                "opening",
                                                "closing",
                                                "aux",
                                                "direction",
                                                "line",
                                                "month",
                                                "currency",
                                                "opening-direction",
                                                "closing-direction",
                                                "structure"};
  return kWords[static_cast<int>(role)];
}

std::string_view RoleChinese(Role role) {
  static constexpr std::string_view kWords[] = {
      "日期",     "凭证字", "凭证号", "科目",         "借方",         "贷方",
      "作废标志", "年度",   "期初",   "期末",         "辅助核算组",   "余额方向",
      "行号",     "月份",   "币种",   "期初余额方向", "期末余额方向", "科目结构"};
  return kWords[static_cast<int>(role)];
}

std::vector<std::string_view> RoleColumnNames(BookTable table, Role role) {
  for (const RoleColumns& rc : Catalog())
    if (rc.table == table && rc.role == role) return rc.names;
  return {};
}

std::optional<ColumnOverride> ParseColumnOverride(std::string_view text, std::string* error) {
  const std::size_t equals = text.find('=');
  const std::size_t dot = text.substr(0, equals).find('.');
  if (equals == std::string_view::npos || dot == std::string_view::npos) {
    *error = "--column 的值应为 表.角色=列名（例如 postings.date=业务日期）：" + std::string(text);
    return std::nullopt;
  }
  const std::string_view table_word = text.substr(0, dot);
  const std::string_view role_word = text.substr(dot + 1, equals - dot - 1);
  const std::string_view column = text.substr(equals + 1);
  std::optional<BookTable> table;
  for (BookTable t :
       {BookTable::kPostings, BookTable::kBalances, BookTable::kChart, BookTable::kBook})
    if (EqualsIgnoringAsciiCase(table_word, TableWord(t)) || table_word == SectionName(t))
      table = t;
  if (!table) {
    *error = "--column 的表应为 postings、balances、chart 或 book：" + std::string(table_word);
    return std::nullopt;
  }
  std::optional<Role> role;
  std::string roles;
  for (Role r : kRoles) {
    if (RoleColumnNames(*table, r).empty()) continue;
    roles += (roles.empty() ? "" : "、") + std::string(RoleWord(r));
    if (EqualsIgnoringAsciiCase(role_word, RoleWord(r))) role = r;
  }
  if (!role) {
    *error = "--column 的角色 " + std::string(role_word) + " 不属于 " +
             std::string(TableWord(*table)) + "（可选 " + roles + "）";
    return std::nullopt;
  }
  if (column.empty()) {
    *error = "--column 缺少列名：" + std::string(text);
    return std::nullopt;
  }
  return ColumnOverride{*table, *role, std::string(column)};
}

const std::string* FindColumn(const std::vector<std::string>& columns, std::string_view name) {
  for (const std::string& c : columns)
    if (EqualsIgnoringAsciiCase(c, name)) return &c;
  return nullptr;
}

TableRoles::TableRoles(BookTable table, std::string why) : table_(table), absent_(std::move(why)) {}

TableRoles::TableRoles(BookTable table, std::string name, const std::vector<std::string>& columns,
                       const std::vector<ColumnOverride>& overrides)
    : table_(table), present_(true), name_(std::move(name)) {
  const auto find = [&](std::string_view wanted) { return FindColumn(columns, wanted); };
  for (Role role : kRoles) {
    const std::vector<std::string_view> names = RoleColumnNames(table, role);
    if (names.empty()) continue;
    Entry entry{role, "", ""};
    const ColumnOverride* chosen = nullptr;
    for (const ColumnOverride& o : overrides)
      if (o.table == table && o.role == role) chosen = &o;  // the last one given wins
    if (chosen != nullptr) {
      if (const std::string* c = find(chosen->column)) {
        entry.column = *c;
      } else {
        entry.why = "表 " + name_ + " 没有 --column 指定的" + std::string(RoleChinese(role)) +
                    "列 " + chosen->column;
      }
    } else {
      for (std::string_view n : names) {
        if (const std::string* c = find(n)) {
          entry.column = *c;
          break;
        }
      }
      if (entry.column.empty())
        entry.why = "表 " + name_ + " 没有" + std::string(RoleChinese(role)) + "列（" +
                    JoinNames(names) + "）";
    }
    entries_.push_back(std::move(entry));
  }
}

std::optional<std::vector<ColumnOverride>> ColumnOverrides(const std::vector<std::string>& texts,
                                                           std::string* error) {
  std::vector<ColumnOverride> out;
  for (const std::string& text : texts) {
    std::optional<ColumnOverride> o = ParseColumnOverride(text, error);
    if (!o) return std::nullopt;
    out.push_back(std::move(*o));
  }
  return out;
}

std::string ColumnOptionsProblem(const std::vector<std::string>& texts) {
  std::string error;
  return ColumnOverrides(texts, &error) ? std::string() : error;
}

const std::string* TableRoles::Column(Role role) const {
  for (const Entry& e : entries_)
    if (e.role == role && !e.column.empty()) return &e.column;
  return nullptr;
}

std::string TableRoles::Missing(Role role) const {
  if (!present_) return absent_;
  for (const Entry& e : entries_)
    if (e.role == role) return e.why;
  return "表 " + name_ + " 没有" + std::string(RoleChinese(role)) + "列";
}

std::string TableRoles::FirstMissing(std::initializer_list<Role> roles) const {
  for (Role r : roles)
    if (Column(r) == nullptr) return Missing(r);
  return {};
}

}  // namespace qoru::checks
