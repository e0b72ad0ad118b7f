// The words and figures a sample is described by, shared by the text report, the JSON
// and the workpaper: units, sides and methods in Chinese, the
// planning formula written out with its figures, and the strata of the population.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sampling/sample_options.h"
#include "sampling/sample_run.h"

namespace qoru::sampling {

std::string_view UnitChinese(Unit unit);   // "分录"
std::string_view SideChinese(Side side);   // "借方"
std::string_view MethodChinese(Method m);  // "货币单元抽样（系统选取）"

// Amounts of the population in its units as text: "12345.67".
std::string UnitsText(const Sample& s, Wide units);

// "n = ceil(BV × R0 / (TM − EM × E)) = ceil(1000000.00 × 2.9957 / (50000.00 − 0.00 × 1.6)) = 60",
// or "n = 60（--size）" for a size given.
std::string SizeFormula(const Sample& s);
// "J = ceil(BV / n) = ceil(1000000.00 / 60) = 16666.67".
std::string IntervalFormula(const Sample& s);

// The accounts as the cover names them: "1122、6601（含下级科目）" or "全部科目".
std::string AccountsText(const Population& p);

// One band of the population by amount: the top stratum, the items of at least J, then
// bands of the rest by powers of ten, then the items left out.
struct Stratum {
  std::string name;
  std::int64_t items = 0;
  Wide total = 0;  // in the population's units
  std::int64_t selected = 0;
  bool left_out = false;   // zero or negative: not sampled
  std::string total_text;  // the total as text
};
std::vector<Stratum> Strata(const Sample& s);

}  // namespace qoru::sampling
