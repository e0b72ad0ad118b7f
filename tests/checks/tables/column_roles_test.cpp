// Columns by role: the first name present wins, ASCII case ignored; the user's names
// override; a missing role says which table lacks what.
#include "checks/tables/column_roles.h"

#include <gtest/gtest.h>

namespace qoru::checks {
namespace {

TEST(ColumnRoles, TheFirstNamePresentServesIgnoringAsciiCase) {
  const TableRoles postings(
      BookTable::kPostings, "JZPZ",
      {"日期", "凭证类别", "凭证类型", "Pzh", "科目代码", "借方发生额", "贷方金额", "flxh"}, {});
  ASSERT_NE(postings.Column(Role::kDate), nullptr);
  EXPECT_EQ(*postings.Column(Role::kDate), "日期");
  EXPECT_EQ(*postings.Column(Role::kType), "凭证类型");  // earlier in the list of names
  EXPECT_EQ(*postings.Column(Role::kAccount), "科目代码");
  EXPECT_EQ(*postings.Column(Role::kDebit), "借方发生额");
  EXPECT_EQ(postings.Column(Role::kNumber), nullptr);
  EXPECT_EQ(postings.Missing(Role::kNumber),
            "表 JZPZ 没有凭证号列（凭证编号、凭证号、记账凭证编号）");
  EXPECT_EQ(postings.FirstMissing({Role::kDate, Role::kVoid}),
            "表 JZPZ 没有作废标志列（作废标志）");

  const TableRoles chart(BookTable::kChart, "KJKM", {"KMBH", "余额方向"},
                         {{BookTable::kChart, Role::kAccount, "kmbh"},
                          {BookTable::kPostings, Role::kAccount, "余额方向"}});
  EXPECT_EQ(*chart.Column(Role::kAccount), "KMBH");
  EXPECT_EQ(*chart.Column(Role::kDirection), "余额方向");

  const TableRoles wrong(BookTable::kBalances, "KMYE", {"期初余额"},
                         {{BookTable::kBalances, Role::kOpening, "期初"}});
  EXPECT_EQ(wrong.Column(Role::kOpening), nullptr);
  EXPECT_EQ(wrong.Missing(Role::kOpening), "表 KMYE 没有 --column 指定的期初列 期初");

  const TableRoles absent(BookTable::kBalances, "数据库中没有表 KMYE");
  EXPECT_FALSE(absent.present());
  EXPECT_EQ(absent.Column(Role::kAccount), nullptr);
  EXPECT_EQ(absent.Missing(Role::kAccount), "数据库中没有表 KMYE");
}

TEST(ColumnRoles, OverridesAreTableDotRoleEqualsName) {
  std::string error;
  const auto ok = ParseColumnOverride("Postings.DATE=业务日期", &error);
  ASSERT_TRUE(ok.has_value()) << error;
  EXPECT_EQ(ok->table, BookTable::kPostings);
  EXPECT_EQ(ok->role, Role::kDate);
  EXPECT_EQ(ok->column, "业务日期");
  const auto book = ParseColumnOverride("book.structure=级次", &error);
  ASSERT_TRUE(book.has_value()) << error;
  EXPECT_EQ(book->table, BookTable::kBook);
  EXPECT_EQ(book->role, Role::kStructure);
  const auto month = ParseColumnOverride("balances.opening-direction=期初借贷", &error);
  ASSERT_TRUE(month.has_value()) << error;
  EXPECT_EQ(month->role, Role::kOpeningDirection);
  const auto section = ParseColumnOverride("科目余额及发生额.closing=期末=数", &error);
  ASSERT_TRUE(section.has_value()) << error;
  EXPECT_EQ(section->table, BookTable::kBalances);
  EXPECT_EQ(section->column, "期末=数");

  const struct {
    const char* text;
    const char* expected;  // in the reason
  } wrong[] = {
      {"postings.date", "表.角色=列名"},
      {"postingsdate=x", "表.角色=列名"},
      {"ledger.date=x", "postings、balances、chart 或 book"},
      {"book.month=x", "可选 year、structure"},
      {"chart.debit=x", "可选 account、direction"},
      {"balances.year=", "缺少列名"},
  };
  for (const auto& w : wrong) {
    error.clear();
    EXPECT_FALSE(ParseColumnOverride(w.text, &error).has_value()) << w.text;
    EXPECT_NE(error.find(w.expected), std::string::npos) << w.text << ": " << error;
  }
}

}  // namespace
}  // namespace qoru::checks
