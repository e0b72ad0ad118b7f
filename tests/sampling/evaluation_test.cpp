// The evaluation on hand-worked cases: each term of the upper misstatement limit in both
// directions, the projections of a random sample, and the digest that ties the items to
// the plan. The factors below are P(X ≤ k; R_k) = 0.05 solved independently.
#include <gtest/gtest.h>

#include "sampling/workpaper/evaluation.h"

namespace qoru::sampling {
namespace {

constexpr double kR0 = 2.995732273553991, kR1 = 4.743864518, kR2 = 6.295793622;

PlanRecord MusPlan() {
  PlanRecord p;
  p.method = Method::kMonetaryUnit;
  p.scale = 2;
  p.confidence = "95";
  p.tolerable = "5000.00";
  p.interval = "1000.00";
  p.rest_total = "60000.00";
  p.rest_items = "300";
  return p;
}

ItemRecord Misstated(std::size_t index, Wide book, Wide audited, bool top = false) {
  ItemRecord r;
  r.index = index;
  r.book = book;
  r.audited = audited;
  r.top = top;
  r.identity = "row " + std::to_string(index);
  return r;
}

TEST(Evaluation, MonetaryUnitTermsOfBothDirections) {
  // J = 1000.00. Taints 0.2 and 0.5 (overstated), −0.1 (understated); an item of at least
  // J and a top item contribute their misstatements exactly.
  const std::vector<ItemRecord> items = {
      Misstated(1, 50000, 40000),           // t = 0.2
      Misstated(2, 20000, 10000),           // t = 0.5
      Misstated(3, 150000, 140000),         // ≥ J: 100.00
      Misstated(4, 1000000, 900000, true),  // top: 1000.00
      Misstated(5, 30000, 33000),           // t = −0.1
      Misstated(6, 70000, 70000),           // right
  };
  const Evaluation e = Evaluate(MusPlan(), items);
  EXPECT_EQ(e.misstated, 5u);
  EXPECT_EQ(e.overstated, 4u);
  EXPECT_EQ(e.understated, 1u);
  EXPECT_TRUE(e.items[2].large);
  EXPECT_FALSE(e.items[3].large);
  const UpperLimit& o = e.over;
  EXPECT_TRUE(o.top == 100000 && o.large == 10000);
  ASSERT_EQ(o.taints.size(), 2u);
  EXPECT_EQ(o.taints[0].index, 2u);  // the larger taint first
  // The item of at least J in PM with its d as it is, the others by their taints.
  EXPECT_NEAR(static_cast<double>(o.projected), 10000 + (0.5 + 0.2) * 100000, 1e-6);
  EXPECT_NEAR(static_cast<double>(o.basic), kR0 * 100000, 1e-6);
  const double ia = ((kR1 - kR0 - 1) * 0.5 + (kR2 - kR1 - 1) * 0.2) * 100000;
  EXPECT_NEAR(static_cast<double>(o.incremental), ia, 1e-3);
  const double uml = 110000 + 70000 + kR0 * 100000 + ia;
  EXPECT_NEAR(static_cast<double>(o.upper), uml, 1e-3);
  EXPECT_EQ(UnitsFigure(o.upper, 2), "5280.18");
  EXPECT_EQ(o.acceptable, false);  // 5280.18 > 5000.00
  const UpperLimit& u = e.under;
  EXPECT_TRUE(u.top == 0 && u.large == 0);
  ASSERT_EQ(u.taints.size(), 1u);
  EXPECT_NEAR(static_cast<double>(u.projected), 0.1 * 100000, 1e-6);
  EXPECT_NEAR(static_cast<double>(u.incremental), (kR1 - kR0 - 1) * 0.1 * 100000, 1e-3);
  EXPECT_EQ(UnitsFigure(u.upper, 2), "3170.55");
  EXPECT_EQ(u.acceptable, true);
}

TEST(Evaluation, NoMisstatementLeavesTheBasicPrecisionAndNoTolerableNoConclusion) {
  PlanRecord p = MusPlan();
  p.tolerable.clear();
  p.confidence = "90";
  const Evaluation e = Evaluate(p, {Misstated(1, 500, 500)});
  EXPECT_EQ(e.misstated, 0u);
  EXPECT_NEAR(static_cast<double>(e.over.upper), 2.302585092994046 * 100000, 1e-6);
  EXPECT_FALSE(e.over.acceptable.has_value());
  EXPECT_EQ(UnitsFigure(e.over.incremental, 2), "0.00");
}

TEST(Evaluation, RandomProjectionsByRatioAndDifference) {
  PlanRecord p;
  p.method = Method::kRandom;
  p.scale = 2;
  p.confidence = "95";
  p.rest_total = "10000.00";
  p.rest_items = "100";
  const std::vector<ItemRecord> items = {
      Misstated(1, 10000, 9000),           // d = 10.00
      Misstated(2, 20000, 20000),          // 0
      Misstated(3, 30000, 27000),          // 30.00
      Misstated(4, 40000, 42000),          // −20.00
      Misstated(5, 500000, 495000, true),  // top: 50.00
  };
  const Evaluation e = Evaluate(p, items);
  const Projection& j = e.projection;
  EXPECT_EQ(j.items, 4u);
  EXPECT_TRUE(j.misstatement == 2000 && j.book == 100000 && j.top == 5000);
  EXPECT_EQ(UnitsFigure(j.ratio, 2), "200.00");       // 20 / 1000 × 10000
  EXPECT_EQ(UnitsFigure(j.difference, 2), "500.00");  // 100 × 20 / 4
  EXPECT_TRUE(e.over.taints.empty());                 // no upper limit for random
}

TEST(Evaluation, TheDigestCoversThePlanAndTheItemsButNotTheAuditorsColumns) {
  PlanRecord p = MusPlan();
  std::vector<ItemRecord> items = {Misstated(1, 50000, 40000), Misstated(2, 20000, 10000)};
  const std::string digest = WorkpaperDigest(p, items);
  EXPECT_EQ(digest.size(), 64u);
  items[0].audited = 1;
  items[1].remark = "已核对";
  EXPECT_EQ(WorkpaperDigest(p, items), digest);
  std::vector<ItemRecord> changed = items;
  changed[1].identity = "row 3";
  EXPECT_NE(WorkpaperDigest(p, changed), digest);
  changed = items;
  changed[0].book += 1;
  EXPECT_NE(WorkpaperDigest(p, changed), digest);
  changed = items;
  changed[0].hits = 2;
  EXPECT_NE(WorkpaperDigest(p, changed), digest);
  PlanRecord q = p;
  q.interval = "999.00";
  EXPECT_NE(WorkpaperDigest(q, items), digest);
  q = p;
  q.digest = "anything";
  EXPECT_EQ(WorkpaperDigest(q, items), digest);
  // The plan read back from its pairs is the plan.
  std::string error;
  const std::optional<PlanRecord> back = PlanFromPairs(PlanPairs(p), &error);
  ASSERT_TRUE(back) << error;
  EXPECT_EQ(WorkpaperDigest(*back, items), digest);
  auto pairs = PlanPairs(p);
  pairs.erase(pairs.begin() + 5);
  EXPECT_FALSE(PlanFromPairs(pairs, &error));
  EXPECT_NE(error.find("科目"), std::string::npos);
}

}  // namespace
}  // namespace qoru::sampling
