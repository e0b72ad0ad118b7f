// The texts that the auxiliary stages build: column lists, filters, splits and the
// statements themselves.
#include <gtest/gtest.h>

#include "auxiliary/aux_columns.h"
#include "auxiliary/aux_info_tables.h"
#include "text/gbk_codec.h"

namespace qoru {
namespace {

TEST(AuxStatements, ColumnListAndFilterForNoneOneAndTwoNames) {
  struct {
    StringList names;
    const char* columns;
    const char* filter;
  } cases[] = {
      {{}, "", ""},
      {{"A"}, "\"A\" varchar(255)", " (\"A\" <>'' and \"A\" is not null) "},
      {{"A", "B"},
       "\"A\" varchar(255),\"B\" varchar(255)",
       " (\"A\" <>'' and \"A\" is not null) or  (\"B\" <>'' and \"B\" is not null) "},
      // Whatever a name holds, it stays one quoted name.
      {{"x\" varchar(1)) --"},
       "\"x\"\" varchar(1)) --\" varchar(255)",
       " (\"x\"\" varchar(1)) --\" <>'' and \"x\"\" varchar(1)) --\" is not null) "},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(BuildAuxColumnList(c.names), c.columns);
    EXPECT_EQ(BuildAuxFilter(c.names), c.filter);
  }
}

TEST(AuxStatements, SplitTextKeepsEveryPieceUntrimmed) {
  struct {
    const char* text;
    const char* separator;
    std::vector<std::string> items;
  } cases[] = {
      {"x/y", "/", {"x", "y"}},
      {"x/", "/", {"x", ""}},
      {"/x", "/", {"", "x"}},
      {"x//y", "/", {"x", "", "y"}},
      {"x", "/", {"x"}},
      {"", "/", {}},
      {"x/y", "", {}},
      {" x / y ", "/", {" x ", " y "}},
      {"a::b::", "::", {"a", "b", ""}},
      {"/", "/", {"", ""}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SplitText(c.text, c.separator).items(), c.items) << "'" << c.text << "'";
}

TEST(AuxStatements, InsertForTypeAAndFileX) {
  EXPECT_EQ(GbkToUtf8(AuxInfoInsertStatement("A", "X.txt")),
            "insert into aidInfo(AidType,AidCode,AidName,AidDec,AidVouSourceFiledName,"
            "AidBalSourceFiledName) select 'A' as AidType,\"A编号\" as AidCode,\"A名称\" as "
            "AidName,'' as AidDec,'A' as AidVouSourceFiledName,'A' as  AidBalSourceFiledName  "
            "from \"X\" Where \"A编号\" is not null  and trim(\"A编号\") <> ''");
}

TEST(AuxStatements, InsertQuotesATypeNameWithAQuoteAndLeavesShortFilesWithoutTable) {
  const std::string s = GbkToUtf8(AuxInfoInsertStatement("O'B", ".txt"));
  EXPECT_NE(s.find("select 'O''B' as AidType,\"O'B编号\" as AidCode"), std::string::npos) << s;
  EXPECT_NE(s.find("AidBalSourceFiledName  from \"\" Where"), std::string::npos) << s;
}

TEST(AuxStatements, ExtractsForAAndB) {
  const StringList names{"A", "B"};
  EXPECT_EQ(GbkToUtf8(VoucherExtractStatement(names)),
            "select 科目编号,摘要,借方金额,贷方金额,flxh,\"A\",\"B\" into aidVour from JZPZ where "
            "币种='人民币' and 作废标志='0' and ( (\"A\" <>'' and \"A\" is not null) or  (\"B\" "
            "<>'' and \"B\" is not null) )");
  EXPECT_EQ(GbkToUtf8(BalanceExtractStatement(names)),
            "select 科目编号,期初余额,\"A\",\"B\" into aidBal from KMYE where 币种='人民币' and "
            "( (\"A\" <>'' and \"A\" is not null) or  (\"B\" <>'' and \"B\" is not null) )");
}

TEST(AuxStatements, ExtractQuotesANameWithABlankInItsColumnList) {
  const std::string s = GbkToUtf8(VoucherExtractStatement(StringList{"A B"}));
  EXPECT_NE(s.find("flxh,\"A B\" into aidVour"), std::string::npos) << s;
}

TEST(AuxStatements, CreateStatementOfAidInfo) {
  EXPECT_EQ(AuxInfoCreateStatement(),
            "Create Table aidInfo(AidType varchar(250),AidCode varchar(250),AidName "
            "varchar(250),AidDec varchar(250),AidVouSourceFiledName varchar(250),"
            "AidBalSourceFiledName varchar(250))");
}

}  // namespace
}  // namespace qoru
