#include "database/sql/jet_translator.h"

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "database/engine/engine_error.h"

namespace qoru::db {
namespace {

using Kind = JetStatement::Kind;
using Cases = std::vector<std::pair<std::string, std::string>>;

TEST(JetTranslatorTest, PlainStatementsKeepTheirTextWithFunctionsRenamed) {
  const Cases cases = {
      {"select max(len(科目编号)) as n from  KJKM", "select max(length(科目编号)) as n from  KJKM"},
      {"select LEN (a) from t where Len(b)=6", "select length (a) from t where length(b)=6"},
      {"select left(科目编号,6) from t", "select substr(科目编号, 1,6) from t"},
      {"select Left ( mid(a, 1, 2) , len(b)) from t",
       "select substr ( mid(a, 1, 2) , 1, length(b)) from t"},
      {"select left(left(a,(2)),1) from t", "select substr(substr(a, 1,(2)), 1,1) from t"},
      // Unchanged: join keywords, names that are no calls, quoted text, comments, and INTO
      // after FROM or inside parentheses.
      {"select * from (select 1) a left join b on 1 LEFT OUTER JOIN (select 2) c on 1", ""},
      {"select trim(a), len, t.len(x) from t", ""},
      {"insert into len(a) select distinct a from tmp8", ""},
      {"select [len](a), 'len(x)', \"left(y, 1)\" from t -- len(z)\n", ""},
      {"select a from x where b in (select c into d from e)", ""},
      {"alter table t drop column c", ""},
      {"create table t as select text from x", ""},
      {"select 1 ;  \n", "select 1 "},
  };
  for (const auto& [sql, expected] : cases) {
    const JetStatement r = TranslateJet(sql);
    EXPECT_EQ(r.kind, Kind::kPlain) << sql;
    EXPECT_EQ(r.sql, expected.empty() ? sql : expected) << sql;
  }
}

TEST(JetTranslatorTest, CreateTableCollatesTextColumns) {
  EXPECT_EQ(TranslateJet("create table [表 1] ( a text, b integer, c MEMO not null, d char (2) "
                         "collate binary, [名] longtext, e numeric(10, 2), f varchar(9), "
                         "primary key (a, b))")
                .sql,
            "create table [表 1] ( a text COLLATE NOCASE, b integer, c MEMO COLLATE NOCASE not "
            "null, d char (2) collate binary, [名] longtext COLLATE NOCASE, e numeric(10, 2), f "
            "varchar(9) COLLATE NOCASE, primary key (a, b))");
}

TEST(JetTranslatorTest, SelectIntoIsTakenApart) {
  // sql -> "table|select"
  const Cases cases = {
      {" select a.k1 as 科目编号 into tmp8 from (select left(k,6) as k1 from kjkm) a left join b "
       "on a.k1=b.k where b.x is null ",
       "tmp8| select a.k1 as 科目编号 from (select substr(k, 1,6) as k1 from kjkm) a left join b "
       "on a.k1=b.k where b.x is null "},
      {"select A into aidVour from JZPZ where ( (A <>'' and A is not null) or (A <>''));",
       "aidVour|select A from JZPZ where ( (A <>'' and A is not null) or (A <>''))"},
      {"SELECT (a)INTO[科 目]FROM x", "科 目|SELECT (a) FROM x"},
      {"select a\ninto \"T\"\"1\" from x", "T\"1|select a\nfrom x"},
      {"select 1 as n into T", "T|select 1 as n "},
  };
  for (const auto& [sql, expected] : cases) {
    const JetStatement r = TranslateJet(sql);
    EXPECT_EQ(r.kind, Kind::kSelectInto) << sql;
    EXPECT_EQ(r.table + "|" + r.sql, expected) << sql;
  }
}

TEST(JetTranslatorTest, SelectIntoAnotherDatabaseImportsATextFile) {
  // sql -> "table|path|file"
  const Cases cases = {
      {"select * into KJKM in '/w/TemplateTemp/GBA.mdb' from KJKM#txt",
       "KJKM|/w/TemplateTemp/GBA.mdb|KJKM.txt"},
      {" SELECT * INTO [会计 科目] IN 'D:/wo''rk/GBA.mdb' FROM 会计科目#TXT ; ",
       "会计 科目|D:/wo'rk/GBA.mdb|会计科目.TXT"},
      {"select * into T in \"/w/a.mdb\" from [a#b#txt]", "T|/w/a.mdb|a#b.txt"},
  };
  for (const auto& [sql, expected] : cases) {
    const JetStatement r = TranslateJet(sql);
    EXPECT_EQ(r.kind, Kind::kTextImport) << sql;
    EXPECT_EQ(r.table + "|" + r.database_path + "|" + r.source_file, expected) << sql;
  }
}

TEST(JetTranslatorTest, AlterTableAddListsTheColumns) {
  // sql -> "table" then "|name:definition" per column, "+" marking a counter
  const Cases cases = {
      {"alter table JZPZ add A varchar(255),B varchar(255)",
       "JZPZ|A:varchar(255) COLLATE NOCASE|B:varchar(255) COLLATE NOCASE"},
      {"alter table JZPZ add flxh autoincrement;", "JZPZ|flxh:INTEGER+"},
      {"ALTER TABLE [凭 证] ADD COLUMN [名 称] Text not null , 金额 double, column n Counter, "
       "s string, m memo collate binary, d numeric(10, 2)",
       "凭 证|名 称:Text COLLATE NOCASE not null|金额:double|n:INTEGER+|s:string COLLATE "
       "NOCASE|m:memo collate binary|d:numeric(10, 2)"},
  };
  for (const auto& [sql, expected] : cases) {
    const JetStatement r = TranslateJet(sql);
    EXPECT_EQ(r.kind, Kind::kAlterAdd) << sql;
    std::string got = r.table;
    for (const AddedColumn& c : r.columns) {
      got += "|" + c.name + ":" + c.definition + (c.counter ? "+" : "");
    }
    EXPECT_EQ(got, expected) << sql;
  }
}

TEST(JetTranslatorTest, RejectsWhatItCannotTranslate) {
  const std::string kTextOnly = "select into another database is supported only from a text file";
  const Cases cases = {
      {"select 1; drop table x", "near \"drop\": only one statement may be executed at a time"},
      {"select 'a;b';;", "near \";\": only one statement may be executed at a time"},
      {"select * into  in '/w/GBA.mdb' from #txt", "near \"in\": syntax error"},
      {"select * into [] in '/w/GBA.mdb' from a#txt", "near \"[]\": syntax error"},
      {"select * into T in '/w/GBA.mdb' from #txt", "near \"#txt\": syntax error"},
      {"select a into T in '/w/GBA.mdb' from a#txt", kTextOnly},
      {"select * into T in '/w/GBA.mdb' from a#csv", kTextOnly},
      {"select * into T in '/w/GBA.mdb' from a#txt where x=1", kTextOnly},
      {"select * into T in '/w/GBA.mdb'", kTextOnly},
      {"select a into", "near \"into\": syntax error at end of statement"},
      {"select a into T x from y", "near \"x\": syntax error"},
      {"alter table JZPZ add ", "near \"add\": syntax error at end of statement"},
      {"alter table JZPZ add a int,", "near \",\": syntax error at end of statement"},
      {"alter table JZPZ add a, b int", "near \",\": syntax error"},
      {"alter table JZPZ add a", "near \"a\": syntax error at end of statement"},
      {"alter table JZPZ add a (10)", "near \"(\": syntax error"},
      {"alter table t add constraint pk primary key (a)",
       "near \"constraint\": alter table cannot add a constraint"},
      {"select left(a) from t", "wrong number of arguments to function left()"},
  };
  for (const auto& [sql, message] : cases) {
    try {
      TranslateJet(sql);
      ADD_FAILURE() << "no error for " << sql;
    } catch (const EngineError& e) {
      EXPECT_EQ(std::string(e.what()), message) << sql;
    }
  }
}

TEST(JetTranslatorTest, QuoteNameDoublesInnerQuotes) {
  EXPECT_EQ(QuoteName("科目"), "\"科目\"");
  EXPECT_EQ(QuoteName("a\"b\"\""), "\"a\"\"b\"\"\"\"\"");
}

}  // namespace
}  // namespace qoru::db
