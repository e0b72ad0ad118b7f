#include "sampling/poisson_factors.h"

#include <cmath>
#include <utility>

namespace qoru::sampling {
namespace {

// ln P(X ≤ k; λ) and the ratio P(X ≤ k; λ) / P(X = k; λ), for λ > 0. The sum is taken
// from its last term down (term i − 1 is term i × i / λ), so nothing overflows; for the
// λ near R_k, which exceeds k, the terms fall off quickly.
std::pair<long double, long double> LogCdf(int k, long double lambda) {
  long double term = 1.0L, sum = 1.0L;
  for (int i = k; i > 0; --i) {
    term *= static_cast<long double>(i) / lambda;
    sum += term;
    if (term < sum * 1e-22L) break;
  }
  const long double log_pmf =
      -lambda + k * std::log(lambda) - std::lgamma(static_cast<long double>(k) + 1.0L);
  return {log_pmf + std::log(sum), sum};
}

// The root of ln P(X ≤ k; λ) = ln(risk) above `low`, where the left side is above it.
// The function falls as λ grows, with slope −1 / ratio: Newton's steps, kept inside a
// bracket that bisection narrows whenever a step would leave it.
long double Solve(int k, long double risk, long double low) {
  const long double target = std::log(risk);
  long double high = low + 2.0L;
  while (LogCdf(k, high).first > target) high += (high - low) * 2.0L;
  long double x = (low + high) / 2.0L;
  for (int i = 0; i < 200; ++i) {
    const auto [value, ratio] = LogCdf(k, x);
    const long double g = value - target;
    if (g > 0)
      low = x;
    else if (g < 0)
      high = x;
    else
      return x;
    long double next = x + g * ratio;
    if (!(next > low && next < high)) next = (low + high) / 2.0L;
    if (std::fabs(next - x) <= std::fabs(x) * 1e-19L) return next;
    x = next;
  }
  return x;
}

}  // namespace

double NoMisstatementFactor(long double risk) {
  return static_cast<double>(-std::log(risk));
}

long double PoissonCdf(int k, long double lambda) {
  return std::exp(LogCdf(k, lambda).first);
}

double UpperFactor(int k, long double risk) {
  return UpperFactors(k, risk).back();
}

std::vector<double> UpperFactors(int m, long double risk) {
  std::vector<double> r;
  r.push_back(NoMisstatementFactor(risk));
  long double previous = -std::log(risk);
  // R_k lies above R_(k−1): P(X ≤ k; R_(k−1)) exceeds P(X ≤ k − 1; R_(k−1)), the risk.
  for (int k = 1; k <= m; ++k) {
    previous = Solve(k, risk, previous);
    r.push_back(static_cast<double>(previous));
  }
  return r;
}

std::optional<std::string_view> ExpansionFactor(std::string_view percent) {
  static constexpr std::pair<std::string_view, std::string_view> kTable[] = {
      {"1", "1.9"},   {"5", "1.6"},  {"10", "1.5"},  {"15", "1.4"}, {"20", "1.3"},
      {"25", "1.25"}, {"30", "1.2"}, {"37", "1.15"}, {"50", "1.0"},
  };
  for (const auto& [risk, factor] : kTable)
    if (risk == percent) return factor;
  return std::nullopt;
}

}  // namespace qoru::sampling
