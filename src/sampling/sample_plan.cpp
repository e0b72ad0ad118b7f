#include "sampling/sample_plan.h"

#include <cmath>

#include "sampling/poisson_factors.h"

namespace qoru::sampling {
namespace {

const Amount kHundred = Amount::FromUnits(100, 0);

bool Positive(const Amount& a) {
  return a.units() > 0;
}

// `a` × `b` exactly, as units at the sum of their scales.
std::optional<Wide> Product(const Amount& a, const Amount& b) {
  Wide out = 0;
  if (__builtin_mul_overflow(a.units(), b.units(), &out)) return std::nullopt;
  return out;
}

}  // namespace

std::string RequestProblem(const PlanRequest& r) {
  if (!Positive(r.confidence) || !Positive(kHundred - r.confidence))
    return "--confidence 的值 " + PlainDecimal(r.confidence) +
           " 不在 0 和 100 之间（百分数，如 95）";
  if (r.tolerable && !Positive(*r.tolerable))
    return "--tolerable 的值 " + r.tolerable->ToString() + " 必须大于 0";
  if (r.expected.units() < 0) return "--expected 的值 " + r.expected.ToString() + " 不能为负数";
  if (r.size && *r.size == 0) return "--size 的值必须大于 0";
  if (r.method == Method::kRandom) {
    if (!r.size) return "随机抽样（--method random）需要 --size 指定样本量";
    return {};
  }
  if (!r.size && !r.tolerable)
    return "货币单元抽样需要 --size（样本量），或 --tolerable（可容忍错报）以计算样本量";
  if (!r.expected.IsZero() && !ExpansionFactor(RiskPercent(r)))
    return "预计错报（--expected）大于 0 时，置信度只能是 99、95、90、85、80、75、70、63 或 50"
           "（扩张系数表只有这些风险水平），而不是 " +
           PlainDecimal(r.confidence);
  return {};
}

long double RiskOf(const PlanRequest& r) {
  const Amount risk = kHundred - r.confidence;
  return static_cast<long double>(risk.units()) /
         static_cast<long double>(PowerOfTen(risk.scale())) / 100.0L;
}

std::string RiskPercent(const PlanRequest& r) {
  return PlainDecimal(kHundred - r.confidence);
}

std::optional<PlannedSize> PlanSize(const PlanRequest& r, UWide total, int scale,
                                    std::string* error) {
  PlannedSize p;
  const long double risk = RiskOf(r);
  p.r0 = NoMisstatementFactor(risk);
  const std::optional<std::string_view> e = ExpansionFactor(RiskPercent(r));
  if (e) p.expansion = std::string(*e);
  // TM − EM × E at the scale of the product (or of TM when that is larger).
  Amount factor;
  checks::ParseAmount(e ? *e : "0", &factor);
  const std::optional<Wide> em_e = Product(r.expected, factor);
  const int product_scale = r.expected.scale() + factor.scale();
  p.denominator_scale = std::max(product_scale, r.tolerable->scale());
  Wide tm = 0, subtrahend = 0;
  if (!em_e || p.denominator_scale > 38 ||
      __builtin_mul_overflow(
          r.tolerable->units(),
          static_cast<Wide>(PowerOfTen(p.denominator_scale - r.tolerable->scale())), &tm) ||
      __builtin_mul_overflow(
          *em_e, static_cast<Wide>(PowerOfTen(p.denominator_scale - product_scale)), &subtrahend)) {
    *error = "可容忍错报或预计错报超出可计算的范围";
    return std::nullopt;
  }
  p.denominator_units = tm - subtrahend;
  if (p.denominator_units <= 0) {
    *error = "可容忍错报减去预计错报乘扩张系数（TM − EM × E = " + r.tolerable->ToString() + " − " +
             r.expected.ToString() + " × " + p.expansion + " = " +
             DecimalText(p.denominator_units, p.denominator_scale) +
             "）不大于 0，无法计算样本量：请提高 --tolerable 或降低 --expected";
    return std::nullopt;
  }
  // BV × R_0 / D with BV = total / 10^scale and D = units / 10^denominator_scale.
  const long double ratio = static_cast<long double>(total) /
                            static_cast<long double>(p.denominator_units) *
                            std::pow(10.0L, p.denominator_scale - scale);
  const long double n = std::ceil(ratio * -std::log(risk));
  if (!(n <= 4611686018427387904.0L)) {
    *error = "计算出的样本量过大（可容忍错报相对总体金额太小）";
    return std::nullopt;
  }
  p.size = static_cast<std::uint64_t>(n);
  if (p.size == 0) p.size = 1;
  return p;
}

}  // namespace qoru::sampling
