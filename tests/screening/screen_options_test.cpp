// The options of a screening read into its parameters: amounts as auditors write them,
// the defaults where nothing is given, and each wrong value refused with a reason that
// names the option and the value, the first wrong one in the order of the options.
#include "screening/screen_options.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "test_support/temp_dir.h"

namespace qoru::screening {
namespace {

TEST(ScreenOptions, DefaultsAndAmountsAsAuditorsWriteThem) {
  std::string error;
  const std::optional<ScreenOptions> defaults = ParseScreenOptions({}, &error);
  ASSERT_TRUE(defaults) << error;
  EXPECT_EQ(defaults->max_listed, 20u);
  EXPECT_FALSE(defaults->parameters.materiality);
  EXPECT_EQ(defaults->parameters.round_unit, checks::Amount::FromUnits(1000, 0));
  EXPECT_EQ(defaults->parameters.keywords, DefaultKeywords());

  ScreenOptionTexts texts;
  texts.materiality = "50万";
  texts.round_unit = "1,000";
  texts.duplicate_days = "0";
  texts.keyword = {"  补差  "};
  const std::optional<ScreenOptions> read = ParseScreenOptions(texts, &error);
  ASSERT_TRUE(read) << error;
  EXPECT_EQ(read->parameters.materiality, checks::Amount::FromUnits(500000, 0));
  EXPECT_EQ(read->parameters.round_unit, checks::Amount::FromUnits(1000, 0));
  EXPECT_EQ(read->parameters.duplicate_days, 0);
  EXPECT_EQ(read->parameters.keywords.back(), "补差");
}

TEST(ScreenOptions, AWrongValueIsRefusedNamingTheOptionAndTheValue) {
  test::TempDir dir;
  test::WriteFile(dir.path() + "blank.txt", "\n \n");
  const struct {
    std::function<void(ScreenOptionTexts&)> set;
    std::string error;
  } cases[] = {
      {[](ScreenOptionTexts& t) { t.max_listed = "-1"; }, "--max-listed 的值 -1 不能为负数"},
      {[](ScreenOptionTexts& t) { t.round_unit = "0"; }, "--round-unit 的值 0 必须大于 0"},
      {[](ScreenOptionTexts& t) { t.round_min = "-1"; }, "--round-min 的值 -1 不能为负数"},
      {[](ScreenOptionTexts& t) { t.rare_pair = "1.5"; }, "--rare-pair 的值 1.5 不是整数"},
      {[](ScreenOptionTexts& t) { t.seldom = "0"; }, "--seldom 的值 0 必须大于 0"},
      {[](ScreenOptionTexts& t) { t.keyword = {" "}; }, "--keyword 的值   不是有效的关键词"},
      {[&](ScreenOptionTexts& t) { t.keywords = dir.path() + "blank.txt"; },
       "--keywords 的文件 " + dir.path() + "blank.txt 没有关键词"},
      // The first wrong option in their order is the one named.
      {[](ScreenOptionTexts& t) {
         t.seldom = "x";
         t.max_listed = "y";
       },
       "--max-listed 的值 y 不是整数"},
  };
  for (const auto& c : cases) {
    ScreenOptionTexts texts;
    c.set(texts);
    std::string error;
    EXPECT_FALSE(ParseScreenOptions(texts, &error)) << c.error;
    EXPECT_EQ(error, c.error);
  }
}

}  // namespace
}  // namespace qoru::screening
