#include "faces/progress_bar.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace qoru {
namespace {

struct Step {
  enum Kind { kTotal, kParts } kind;
  int value;
  int total, parts, percent;  // expected afterwards
  bool notified;              // expected: the listener heard of a change
};

struct Case {
  const char* name;
  std::vector<Step> steps;
};

TEST(ProgressBar, FollowsTheRulesOfTotalCountAndPercentage) {
  const std::vector<Case> cases = {
      {"one of eight rounds half down to even",
       {{Step::kTotal, 8, 8, 0, 0, true}, {Step::kParts, 1, 8, 1, 12, true}}},
      {"three of eight rounds half up to even",
       {{Step::kTotal, 8, 8, 0, 0, true}, {Step::kParts, 3, 8, 3, 38, true}}},
      {"two of three rounds to nearest",
       {{Step::kTotal, 3, 3, 0, 0, true}, {Step::kParts, 2, 3, 2, 67, true}}},
      {"a new total resets count and percentage",
       {{Step::kTotal, 4, 4, 0, 0, true},
        {Step::kParts, 3, 4, 3, 75, true},
        {Step::kTotal, 8, 8, 0, 0, true}}},
      {"an equal total changes nothing",
       {{Step::kTotal, 4, 4, 0, 0, true},
        {Step::kParts, 4, 4, 4, 100, true},
        {Step::kTotal, 4, 4, 4, 100, false}}},
      {"an equal count changes nothing",
       {{Step::kTotal, 8, 8, 0, 0, true},
        {Step::kParts, 3, 8, 3, 38, true},
        {Step::kParts, 3, 8, 3, 38, false}}},
      {"a larger count moves on",
       {{Step::kTotal, 8, 8, 0, 0, true},
        {Step::kParts, 3, 8, 3, 38, true},
        {Step::kParts, 7, 8, 7, 88, true}}},
      {"a count above the total is stored as the total",
       {{Step::kTotal, 3, 3, 0, 0, true}, {Step::kParts, 9, 3, 3, 100, true}}},
      {"a negative count compares unsigned",
       {{Step::kTotal, 3, 3, 0, 0, true}, {Step::kParts, -1, 3, 3, 100, true}}},
      {"with total 0 the percentage stays",
       {{Step::kTotal, 4, 4, 0, 0, true},
        {Step::kParts, 1, 4, 1, 25, true},
        {Step::kTotal, 0, 0, 0, 0, true},
        {Step::kParts, 5, 0, 0, 0, false}}},
      {"a full bar stays full until the first row of an equal total",
       {{Step::kTotal, 4, 4, 0, 0, true},
        {Step::kParts, 4, 4, 4, 100, true},
        {Step::kTotal, 4, 4, 4, 100, false},
        {Step::kParts, 1, 4, 1, 25, true}}},
  };
  for (const Case& c : cases) {
    ProgressBar bar;
    bool notified = false;
    bar.set_listener([&](const ProgressBar&) { notified = true; });
    for (std::size_t i = 0; i < c.steps.size(); ++i) {
      const Step& s = c.steps[i];
      notified = false;
      if (s.kind == Step::kTotal) {
        bar.SetTotalParts(s.value);
      } else {
        bar.SetPartsComplete(s.value);
      }
      SCOPED_TRACE(std::string(c.name) + ", step " + std::to_string(i));
      EXPECT_EQ(bar.TotalParts(), s.total);
      EXPECT_EQ(bar.PartsComplete(), s.parts);
      EXPECT_EQ(bar.Percent(), s.percent);
      EXPECT_EQ(notified, s.notified);
    }
  }
}

TEST(ProgressBar, PercentRoundsHalvesToEven) {
  struct {
    unsigned parts, total;
    int percent;
  } cases[] = {{1, 8, 12},  {3, 8, 38},  {5, 8, 62}, {7, 8, 88},  {2, 3, 67}, {1, 3, 33},
               {1, 200, 0}, {3, 200, 2}, {0, 5, 0},  {5, 5, 100}, {1, 400, 0}};
  for (const auto& c : cases)
    EXPECT_EQ(ProgressBar::PercentOf(c.parts, c.total), c.percent) << c.parts << "/" << c.total;
  // Large counts do not overflow.
  EXPECT_EQ(ProgressBar::PercentOf(INT_MAX, INT_MAX), 100);
}

}  // namespace
}  // namespace qoru
