// The factors of monetary-unit sampling. R_k, the Poisson upper factor for k
// misstatements at a confidence, is the mean λ at which P(X ≤ k; λ) for a Poisson X
// equals the risk (1 − confidence): R_0 = −ln(risk) (2.9957 at 95 %), R_1 = 4.7439, ...
// They are solved to full double precision, not read from a rounded table. The
// expansion factor of the expected misstatement is the published table's, known for nine
// risks only.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace qoru::sampling {

// R_0 = −ln(risk), 0 < risk < 1.
double NoMisstatementFactor(long double risk);

// R_k for k ≥ 0: the λ with P(X ≤ k; λ) = risk, 0 < risk < 1.
double UpperFactor(int k, long double risk);

// R_0 ... R_m, each solved from the one before.
std::vector<double> UpperFactors(int m, long double risk);

// P(X ≤ k; λ) for a Poisson X of mean λ > 0.
long double PoissonCdf(int k, long double lambda);

// The expansion factor for a risk of `percent` per cent (1, 5, 10, 15, 20, 25, 30, 37 or
// 50, written as an integer), as its decimal text ("1.6"); nullopt for any other risk.
std::optional<std::string_view> ExpansionFactor(std::string_view percent);

}  // namespace qoru::sampling
