// Amounts as auditors write them in options: separators, full-width digits, 万 and 亿;
// anything else is no amount.
#include <gtest/gtest.h>

#include "checks/values/written_amount.h"

namespace qoru {
namespace {

TEST(WrittenAmount, ReadsSeparatorsFullWidthDigitsAndTheSuffixes) {
  const std::vector<std::pair<std::string, std::string>> read = {
      {"1000000", "1000000.00"},
      {"1,000,000", "1000000.00"},
      {"1,000,000.50", "1000000.50"},
      {"１，０００，０００", "1000000.00"},
      {"１２３．４５", "123.45"},
      {"50万", "500000.00"},
      {"50 万", "500000.00"},
      {"1.5万", "15000.00"},
      {"0.00015万", "1.50"},
      {"1.5亿", "150000000.00"},
      {"3亿", "300000000.00"},
      {"１,２００万", "12000000.00"},
      {"　100　", "100.00"},
      {" 0 ", "0.00"},
      {"-5", "-5.00"},
      {"999", "999.00"},
  };
  for (const auto& [text, value] : read) {
    const std::optional<checks::Amount> a = checks::ParseWrittenAmount(text);
    ASSERT_TRUE(a.has_value()) << text;
    EXPECT_EQ(a->ToString(), value) << text;
  }
  const char* refused[] = {"",       "abc",   "1,00",   "1000,000", ",100", "100,",  "1,000.000,1",
                           "1,0,0",  "万",    "50万元", "50千",     "5e3",  "1.2.3", "万50",
                           "50万万", "1 000", "１／２", "1..5",     "--5",  "50w"};
  for (const char* text : refused)
    EXPECT_FALSE(checks::ParseWrittenAmount(text).has_value()) << text;
}

}  // namespace
}  // namespace qoru
