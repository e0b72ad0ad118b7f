// The options of a sample as the command line gives them, read into a request: each
// value checked against its range, with a Chinese reason naming the option when it is
// wrong. Amounts are read as auditors write them ("1,000,000", "50万").
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sampling/sample_run.h"

namespace qoru::sampling {

struct SampleOptionTexts {
  std::string unit = "posting";
  std::string side = "debit";
  std::string method = "mus";
  std::vector<std::string> accounts;  // --account, repeatable
  std::string size;                   // empty: planned (mus) or refused (random)
  std::string confidence = "95";
  std::string tolerable;  // empty: none
  std::string expected = "0";
  std::string threshold;  // empty: none
  std::string seed;       // empty: from the clock
};

// The option words of units, sides and methods ("posting", "debit", "mus"), both ways.
std::string_view UnitWord(Unit unit);
std::string_view SideWord(Side side);
std::string_view MethodWord(Method m);
std::optional<Unit> ParseUnit(std::string_view word);
std::optional<Side> ParseSide(std::string_view word);
std::optional<Method> ParseMethod(std::string_view word);

// The request, or nullopt with the reason in `error`. Without a seed, `clock_seed` is
// taken.
std::optional<SampleRequest> ParseSampleRequest(const SampleOptionTexts& o,
                                                std::uint64_t clock_seed, std::string* error);

}  // namespace qoru::sampling
