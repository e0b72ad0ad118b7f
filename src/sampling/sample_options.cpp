#include "sampling/sample_options.h"

#include "checks/values/book_text.h"
#include "checks/values/written_amount.h"

namespace qoru::sampling {
namespace {

// A per cent as a plain decimal ("95", "99.5").
std::optional<Amount> PercentOption(const char* option, const std::string& value,
                                    std::string* error) {
  Amount a;
  if (checks::ParseAmount(checks::TrimBlanks(value), &a) != checks::AmountText::kValue) {
    *error = std::string(option) + " 的值 " + value + " 不是数字（百分数，如 95）";
    return std::nullopt;
  }
  return a;
}

// A whole number of at most `digits` digits.
std::optional<std::uint64_t> CountOption(const char* option, const std::string& value,
                                         std::size_t digits, std::string* error) {
  const std::string_view t = checks::TrimBlanks(value);
  if (t.empty() || t.size() > digits ||
      t.find_first_not_of("0123456789") != std::string_view::npos) {
    *error = std::string(option) + " 的值 " + value + " 不是非负整数";
    return std::nullopt;
  }
  UWide v = 0;
  for (char c : t) v = v * 10 + static_cast<unsigned>(c - '0');
  if (v > ~std::uint64_t{0}) {
    *error = std::string(option) + " 的值 " + value + " 太大";
    return std::nullopt;
  }
  return static_cast<std::uint64_t>(v);
}

}  // namespace

std::string_view UnitWord(Unit unit) {
  return unit == Unit::kPosting ? "posting" : unit == Unit::kVoucher ? "voucher" : "balance";
}

std::string_view SideWord(Side side) {
  return side == Side::kDebit ? "debit" : "credit";
}

std::string_view MethodWord(Method m) {
  return m == Method::kMonetaryUnit ? "mus" : "random";
}

std::optional<Unit> ParseUnit(std::string_view w) {
  if (w == "posting") return Unit::kPosting;
  if (w == "voucher") return Unit::kVoucher;
  if (w == "balance") return Unit::kBalance;
  return std::nullopt;
}

std::optional<Side> ParseSide(std::string_view w) {
  if (w == "debit") return Side::kDebit;
  if (w == "credit") return Side::kCredit;
  return std::nullopt;
}

std::optional<Method> ParseMethod(std::string_view w) {
  if (w == "mus") return Method::kMonetaryUnit;
  if (w == "random") return Method::kRandom;
  return std::nullopt;
}

std::optional<SampleRequest> ParseSampleRequest(const SampleOptionTexts& o,
                                                std::uint64_t clock_seed, std::string* error) {
  SampleRequest r;
  const std::optional<Unit> unit = ParseUnit(o.unit);
  if (!unit) {
    *error = "--unit 的值 " + o.unit + " 无效（可选 posting、voucher、balance）";
    return std::nullopt;
  }
  const std::optional<Side> side = ParseSide(o.side);
  if (!side) {
    *error = "--side 的值 " + o.side + " 无效（可选 debit、credit）";
    return std::nullopt;
  }
  const std::optional<Method> method = ParseMethod(o.method);
  if (!method) {
    *error = "--method 的值 " + o.method + " 无效（可选 mus、random）";
    return std::nullopt;
  }
  r.population.unit = *unit;
  r.population.side = *side;
  for (const std::string& a : o.accounts) {
    if (checks::TrimBlanks(a).empty()) {
      *error = "--account 的值不能为空";
      return std::nullopt;
    }
    r.population.accounts.push_back(a);
  }
  r.plan.method = *method;
  if (!o.size.empty()) {
    const auto n = CountOption("--size", o.size, 18, error);
    if (!n) return std::nullopt;
    r.plan.size = *n;
  }
  const auto confidence = PercentOption("--confidence", o.confidence, error);
  if (!confidence) return std::nullopt;
  r.plan.confidence = *confidence;
  if (!o.tolerable.empty()) {
    r.plan.tolerable = checks::AmountOption("--tolerable", o.tolerable, error);
    if (!r.plan.tolerable) return std::nullopt;
  }
  const auto expected = checks::AmountOption("--expected", o.expected, error);
  if (!expected) return std::nullopt;
  r.plan.expected = *expected;
  if (!o.threshold.empty()) {
    r.threshold = checks::AmountOption("--threshold", o.threshold, error);
    if (!r.threshold) return std::nullopt;
    if (r.threshold->units() <= 0) {
      *error = "--threshold 的值 " + o.threshold + " 必须大于 0";
      return std::nullopt;
    }
  }
  if (!o.seed.empty()) {
    const auto seed = CountOption("--seed", o.seed, 20, error);
    if (!seed) return std::nullopt;
    r.seed = *seed;
    r.seed_given = true;
  } else {
    r.seed = clock_seed;
  }
  if (const std::string problem = RequestProblem(r.plan); !problem.empty()) {
    *error = problem;
    return std::nullopt;
  }
  return r;
}

}  // namespace qoru::sampling
