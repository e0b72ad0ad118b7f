#include "database/sql/sql_tokenizer.h"

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "database/engine/engine_error.h"

namespace qoru::db {
namespace {

// Renders the tokens as "<kind><text>" joined by "|"; kinds: _ space, N name,
// B [name], Q "name", S 'text', D number, P symbol.
std::string Render(std::string_view sql) {
  std::string out;
  for (const SqlToken& t : TokenizeSql(sql)) {
    if (!out.empty()) out += '|';
    out += "_NBQSDP"[static_cast<int>(t.kind)];
    out += t.text;
  }
  return out;
}

TEST(SqlTokenizerTest, SplitsIntoTokens) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"科目编号='人民币'", "N科目编号|P=|S'人民币'"},
      {"'it''s'x ''''", "S'it''s'|Nx|_ |S''''"},
      {"[a b]]\"a\"\"b\".c", "B[a b]|P]|Q\"a\"\"b\"|P.|Nc"},
      {"KJKM#txt $a1 _b", "NKJKM#txt|_ |N$a1|_ |N_b"},
      {"1.5e-3+2. 12e+x 7a", "D1.5e-3|P+|D2.|_ |D12|Ne|P+|Nx|_ |D7|Na"},
      {"a<>b<=c>=d!=e||f<g", "Na|P<>|Nb|P<=|Nc|P>=|Nd|P!=|Ne|P|||Nf|P<|Ng"},
      {"a -- x 'y\n /* [z */\tb-c/d", "Na|_ -- x 'y\n /* [z */\t|Nb|P-|Nc|P/|Nd"},
      {"x--", "Nx|_--"},
      {"(*);", "P(|P*|P)|P;"},
      {"", ""},
  };
  for (const auto& [sql, expected] : cases) EXPECT_EQ(Render(sql), expected) << sql;
}

TEST(SqlTokenizerTest, TokensJoinBackToInput) {
  const std::string_view sql =
      " select left(科目编号,6) into tmp8 from (select * from kjkm where len(科目编号)=8) a "
      "left join b on a.x=b.[科目 名称] ;\n\t\r/**/--\n\"q\"\"\"[]''1e9 'D:/wo''rk' 会计科目#txt";
  std::string joined;
  for (const SqlToken& t : TokenizeSql(sql)) joined += t.text;
  EXPECT_EQ(joined, sql);
}

TEST(SqlTokenizerTest, RejectsUnterminatedTokens) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"select 'abc", "unterminated quoted text at offset 7"},
      {"select 'it''", "unterminated quoted text at offset 7"},
      {"x = [abc", "unterminated bracketed name at offset 4"},
      {"\"a\"\"", "unterminated quoted name at offset 0"},
      {"a /* b", "unterminated comment at offset 2"},
  };
  for (const auto& [sql, message] : cases) {
    try {
      TokenizeSql(sql);
      ADD_FAILURE() << "no error for " << sql;
    } catch (const EngineError& e) {
      EXPECT_EQ(std::string(e.what()), message) << sql;
    }
  }
}

TEST(SqlTokenizerTest, ValuesAndKeywords) {
  const auto t = TokenizeSql("'D:/wo''rk' [科目 编号] \"a\"\"b\" SeLeCt '' [select] selects");
  EXPECT_EQ(StringValue(t[0]), "D:/wo'rk");
  EXPECT_EQ(NameValue(t[2]), "科目 编号");
  EXPECT_EQ(NameValue(t[4]), "a\"b");
  EXPECT_EQ(NameValue(t[6]), "SeLeCt");
  EXPECT_EQ(StringValue(t[8]), "");
  EXPECT_TRUE(IsKeyword(t[6], "select"));
  EXPECT_TRUE(IsKeyword(t[6], "SELECT"));
  EXPECT_FALSE(IsKeyword(t[6], "sel"));
  EXPECT_FALSE(IsKeyword(t[10], "select"));
  EXPECT_FALSE(IsKeyword(t[12], "select"));
}

}  // namespace
}  // namespace qoru::db
