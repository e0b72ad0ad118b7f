// The arithmetic of sampling: the Poisson factors against the published tables, the
// sizes of the planning formula, the exact 128-bit steps of the selection and the
// voucher order.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "checks/values/voucher_order.h"
#include "sampling/exact_units.h"
#include "sampling/poisson_factors.h"
#include "sampling/sample_plan.h"
#include "sampling/selection.h"
#include "sampling/voucher_order.h"

namespace qoru::sampling {
namespace {

checks::Amount SamplingAmount(std::string_view text) {
  checks::Amount a;
  checks::ParseAmount(text, &a);
  return a;
}

// The published evaluation table gives R_k rounded up to two decimals.
TEST(PoissonFactors, MatchThePublishedTablesToTheirRounding) {
  const struct {
    int confidence;
    std::vector<double> factors;  // k = 0, 1, ...
  } tables[] = {
      {99, {4.61, 6.64, 8.41, 10.05, 11.61, 13.11, 14.58, 16.00, 17.41, 18.79, 20.15}},
      {95, {3.00, 4.75, 6.30, 7.76, 9.16, 10.52, 11.85, 13.15, 14.44, 15.71, 16.97}},
      {90, {2.31, 3.89, 5.33, 6.69, 8.00, 9.28, 10.54, 11.78, 13.00, 14.21, 15.41}},
      {80, {1.61, 3.00, 4.28, 5.52, 6.73, 7.91, 9.08, 10.24, 11.38, 12.52, 13.66}},
      {75, {1.39, 2.70, 3.93, 5.11, 6.28, 7.43, 8.56, 9.69, 10.81, 11.92, 13.02}},
  };
  for (const auto& t : tables) {
    const std::vector<double> r =
        UpperFactors(static_cast<int>(t.factors.size()) - 1, (100 - t.confidence) / 100.0L);
    for (std::size_t k = 0; k < t.factors.size(); ++k)
      EXPECT_NEAR(std::ceil(r[k] * 100 - 1e-9) / 100, t.factors[k], 1e-9)
          << t.confidence << "% k=" << k << " R=" << r[k];
  }
}

TEST(PoissonFactors, SolveTheCumulativeProbabilityToDoublePrecision) {
  for (const long double risk : {0.01L, 0.05L, 0.1L, 0.37L, 0.5L, 0.9L}) {
    const std::vector<double> r = UpperFactors(60, risk);
    EXPECT_DOUBLE_EQ(r[0], static_cast<double>(-std::log(risk)));
    for (int k = 0; k <= 60; ++k) {
      EXPECT_NEAR(static_cast<double>(PoissonCdf(k, r[static_cast<std::size_t>(k)])),
                  static_cast<double>(risk), 1e-14 * static_cast<double>(risk))
          << "k=" << k;
      if (k > 0) {
        EXPECT_GT(r[static_cast<std::size_t>(k)], r[static_cast<std::size_t>(k) - 1]);
      }
    }
    EXPECT_DOUBLE_EQ(UpperFactor(7, risk), r[7]);
  }
  // Far out the factor approaches k plus a few standard deviations.
  const double big = UpperFactor(2000, 0.05L);
  EXPECT_GT(big, 2000 + 1.64 * std::sqrt(2000.0));
  EXPECT_LT(big, 2000 + 1.66 * std::sqrt(2000.0) + 3);
}

TEST(PoissonFactors, ExpansionFactorsOfTheTableOnly) {
  EXPECT_EQ(ExpansionFactor("5"), "1.6");
  EXPECT_EQ(ExpansionFactor("37"), "1.15");
  EXPECT_EQ(ExpansionFactor("50"), "1.0");
  EXPECT_FALSE(ExpansionFactor("2.5"));
  EXPECT_FALSE(ExpansionFactor("05"));
}

PlanRequest SamplingPlan(std::string_view confidence, std::string_view tm, std::string_view em) {
  PlanRequest r;
  r.confidence = SamplingAmount(confidence);
  r.tolerable = SamplingAmount(tm);
  r.expected = SamplingAmount(em);
  return r;
}

TEST(SamplePlan, SizesFollowTheFormulaAndThePublishedTables) {
  const struct {
    std::string_view confidence, tm, em;
    UWide total;  // in cents
    std::uint64_t size;
  } cases[] = {
      // BV 1,000,000.00, TM 5 %: 2.9957 / 0.05 = 59.9 -> 60 (the table's 60).
      {"95", "50000", "0", 100000000, 60},
      // EM 20 % of TM: 2.9957 / (0.05 - 0.01 x 1.6) = 88.1 -> 89.
      {"95", "50000", "10000", 100000000, 89},
      // 90 %: 2.3026 / 0.04 = 57.6 -> 58; with EM 0.008, E 1.5: 2.3026 / 0.028 = 82.2 -> 83.
      {"90", "40000", "0", 100000000, 58},
      {"90", "40000", "8000", 100000000, 83},
      // 99 %, E 1.9: 4.6052 / (0.1 - 0.02 x 1.9) = 74.3 -> 75.
      {"99", "100000.00", "20000.00", 100000000, 75},
      // A confidence outside the table is fine without EM: -ln(0.025) = 3.6889.
      {"97.5", "50000", "0", 100000000, 74},
      // A tolerable misstatement beyond the total still needs one item.
      {"95", "5000000", "0", 100000000, 1},
  };
  for (const auto& c : cases) {
    const PlanRequest r = SamplingPlan(c.confidence, c.tm, c.em);
    ASSERT_EQ(RequestProblem(r), "");
    std::string error;
    const std::optional<PlannedSize> p = PlanSize(r, c.total, 2, &error);
    ASSERT_TRUE(p) << error;
    EXPECT_EQ(p->size, c.size) << c.confidence << " " << c.tm << " " << c.em;
  }
  std::string error;
  const auto p = PlanSize(SamplingPlan("95", "50000", "10000"), 100000000, 2, &error);
  EXPECT_EQ(p->expansion, "1.6");
  EXPECT_NEAR(p->r0, 2.995732273553991, 1e-15);
  EXPECT_EQ(DecimalText(p->denominator_units, p->denominator_scale), "34000.00");
}

TEST(SamplePlan, BadRequestsSayWhy) {
  const struct {
    std::string_view confidence, tm, em;
    std::string_view says;
  } cases[] = {
      {"0", "100", "0", "--confidence"},   {"100", "100", "0", "--confidence"},
      {"-5", "100", "0", "--confidence"},  {"95", "0", "0", "--tolerable"},
      {"95", "-1", "0", "--tolerable"},    {"95", "100", "-1", "--expected"},
      {"97", "100", "10", "置信度只能是"},
  };
  for (const auto& c : cases)
    EXPECT_NE(RequestProblem(SamplingPlan(c.confidence, c.tm, c.em)).find(c.says),
              std::string::npos)
        << c.confidence << " " << c.tm << " " << c.em;
  PlanRequest no_size;
  EXPECT_NE(RequestProblem(no_size).find("--size"), std::string::npos);
  no_size.method = Method::kRandom;
  no_size.tolerable = SamplingAmount("10");
  EXPECT_NE(RequestProblem(no_size).find("--size"), std::string::npos);
  // TM − EM × E not above 0: 1000 - 625 x 1.6 = 0.
  std::string error;
  EXPECT_FALSE(PlanSize(SamplingPlan("95", "1000", "625"), 100000, 2, &error));
  EXPECT_NE(error.find("不大于 0"), std::string::npos);
}

TEST(ExactUnits, MultiplyAndShiftBeyond128Bits) {
  const std::uint64_t r = (std::uint64_t{1} << 53) - 1;
  EXPECT_EQ(MulShift53(r, 1), 0u);
  EXPECT_EQ(MulShift53(r, std::uint64_t{1} << 53), r);
  // j = 2^100 + 3: (r × j) >> 53 = r × 2^47 + ((3r) >> 53).
  const UWide j = (UWide(1) << 100) + 3;
  EXPECT_TRUE(MulShift53(r, j) == (UWide(r) << 47) + ((UWide(3) * r) >> 53));
  const UWide big = ~UWide(0) >> 1;
  EXPECT_TRUE(MulShift53(r, big) < big);
  EXPECT_TRUE(MulShift53(std::uint64_t{1} << 52, big) == big >> 1);
}

TEST(ExactUnits, TextsAndSpreadsheetNumbers) {
  EXPECT_EQ(DecimalText(123450, 3), "123.45");
  EXPECT_EQ(DecimalText(5, 0), "5.00");
  EXPECT_EQ(DecimalText(-5, 3), "-0.005");
  EXPECT_EQ(DecimalText(0, 2), "0.00");
  EXPECT_EQ(IntegerText(~UWide(0)), "340282366920938463463374607431768211455");
  const struct {
    std::string_view text;
    int scale;
    std::optional<Wide> units;
  } cases[] = {
      {"1234.5599999999999", 2, 123456},
      {"1234.56", 2, 123456},
      {"-12", 2, -1200},
      {"1E-3", 2, 0},
      {"5E-3", 2, 1},
      {"0.005", 2, 1},
      {"-0.005", 2, -1},
      {"1.5E3", 0, 1500},
      {" 7 ", 1, 70},
      {"abc", 2, std::nullopt},
      {"1e", 2, std::nullopt},
      {"", 2, std::nullopt},
      {"1.2.3", 2, std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(RoundedUnits(c.text, c.scale), c.units) << c.text;
  EXPECT_EQ(PlainDecimal(SamplingAmount("5.00")), "5");
  EXPECT_EQ(PlainDecimal(SamplingAmount("97.50")), "97.5");
  EXPECT_THROW(UnitsAt(SamplingAmount("999999999999999999999999999999999999"), 18),
               checks::AmountOverflow);
}

// The plain amounts are read as checks::ParseAmount reads them; the others are left to it.
TEST(ExactUnits, PlainAmountsAsTheChecksReadThem) {
  for (const std::string_view text : {"3142.79",
                                      "0.00",
                                      "0",
                                      "12",
                                      "007.50",
                                      "999999999999999999",
                                      "99999999999999999.9",
                                      "0.000000000000000001",
                                      "123456789012345678.5",
                                      "1234567890123456789",
                                      "-5.00",
                                      "+5",
                                      " 5.00",
                                      "5.00 ",
                                      "12.",
                                      ".5",
                                      "1.2.3",
                                      "1,000.00",
                                      "1e3",
                                      "",
                                      "全角"}) {
    std::int64_t units = -1;
    std::int8_t scale = -1;
    checks::Amount a;
    const bool plain = PlainAmountUnits(text, &units, &scale);
    const bool value = checks::ParseAmount(text, &a) == checks::AmountText::kValue;
    if (plain) {
      EXPECT_TRUE(value) << text;
      EXPECT_TRUE(a.units() == units && a.scale() == scale) << text;
    }
    // Every form an ERP writes unsigned and unpadded with 18 digits at most is plain.
    const bool expected_plain = value && text.find_first_of("+- ") == std::string_view::npos &&
                                text.size() <= (text.find('.') == text.npos ? 18u : 19u);
    EXPECT_EQ(plain, expected_plain) << text;
  }
}

TEST(Generator, OutputsAreTheStandardsSequence) {
  // The standard fixes the 10000th output of a default-constructed mt19937_64.
  std::mt19937_64 g;
  g.discard(9999);
  EXPECT_EQ(g(), 9981545732273789042ULL);
}

// The positions of a monetary-unit selection, walked unit by unit.
std::vector<std::uint64_t> SamplingHitsByUnits(const std::vector<UWide>& amounts,
                                               std::uint64_t start, std::uint64_t interval) {
  std::vector<std::uint64_t> hits(amounts.size(), 0);
  std::uint64_t unit = 0;
  for (std::size_t i = 0; i < amounts.size(); ++i)
    for (UWide u = 0; u < amounts[i]; ++u) {
      ++unit;
      if (unit >= start && (unit - start) % interval == 0) ++hits[i];
    }
  return hits;
}

TEST(Selection, MonetaryUnitsHitTheItemsThatHoldThePositions) {
  const std::vector<UWide> amounts = {5, 120, 7, 33, 1, 250, 64, 2, 18, 90, 45};  // 635
  for (const std::uint64_t seed : {1ULL, 2ULL, 42ULL, 20260101ULL}) {
    for (const std::uint64_t size : {1ULL, 3ULL, 7ULL, 20ULL, 635ULL, 5000ULL}) {
      std::mt19937_64 g(seed);
      const std::uint64_t x0 = g();
      const UnitSelection s = SelectMonetaryUnits(amounts, size, x0);
      ASSERT_TRUE(s.total == 635);
      const UWide interval = (635 + size - 1) / size;
      ASSERT_TRUE(s.interval == interval);
      ASSERT_TRUE(s.start == 1 + (((UWide(x0 >> 11)) * interval) >> 53));
      ASSERT_TRUE(s.start >= 1 && s.start <= s.interval);
      const std::vector<std::uint64_t> expected = SamplingHitsByUnits(
          amounts, static_cast<std::uint64_t>(s.start), static_cast<std::uint64_t>(s.interval));
      std::vector<std::uint64_t> got(amounts.size(), 0);
      std::uint64_t total_hits = 0;
      for (const Hit& h : s.hits) {
        got[h.item] = h.hits;
        total_hits += h.hits;
      }
      EXPECT_EQ(got, expected) << "seed " << seed << " size " << size;
      EXPECT_EQ(total_hits, s.positions);
      EXPECT_LE(s.positions, size);
      // Every item of at least J is hit.
      for (std::size_t i = 0; i < amounts.size(); ++i)
        if (amounts[i] >= s.interval) {
          EXPECT_GE(got[i], 1u);
        }
    }
  }
}

TEST(Selection, RandomIsAPartialShuffleInPopulationOrder) {
  std::mt19937_64 g(7);
  const std::vector<std::size_t> s = SelectRandom(10, 4, g);
  // The same steps by hand.
  std::mt19937_64 h(7);
  std::vector<std::size_t> order = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  for (std::size_t i = 0; i < 4; ++i) {
    const std::uint64_t x = h();
    const std::size_t j = i + static_cast<std::size_t>((UWide(x >> 11) * (10 - i)) >> 53);
    std::swap(order[i], order[j]);
  }
  order.resize(4);
  std::sort(order.begin(), order.end());
  EXPECT_EQ(s, order);
  std::mt19937_64 all(3);
  const std::vector<std::size_t> every = SelectRandom(5, 5, all);
  EXPECT_EQ(every, (std::vector<std::size_t>{0, 1, 2, 3, 4}));
}

// The sort by precomputed keys (a type's rank, a number's value up to 18 digits) must
// give the checks' voucher order exactly, numbers of any length and leading zeros too,
// and keep each voucher's postings with it.
TEST(VoucherOrder, SortedByKeysAsTheChecksOrderThem) {
  const struct {
    int date;
    const char* type;
    const char* number;
  } vouchers[] = {
      {20260302, "记", "1"},
      {20260301, "转", "1"},
      {20260301, "记", "10"},
      {20260301, "记", "9"},
      {20260301, "记", "007"},
      {20260301, "记", "7"},
      {20260301, "记", "A-2"},
      {20260301, "记", "A-10"},
      {20260301, "记", ""},
      {20260301, "记", "1a"},
      {20260301, "记", "99999999999999999999999"},
      {20260301, "记", "100000000000000000000000"},
      {20260301, "记", "999999999999999999"},   // 18 digits: by the key's value
      {20260301, "记", "1000000000000000000"},  // 19 digits: by the checks' comparison
      {20260301, "记", "0000000000000000005"},  // 19 digits, by value 5
      {20260301, "记", "00000000000000000000000000000000012"},
      {20260301, "记", "9"},
      {0, "记", "1"},
  };
  // All of them (keys beyond 64 bits), and the first ten (numbers of a few digits, keys
  // of 64 bits).
  for (const std::size_t count : {std::size(vouchers), std::size_t{10}}) {
    SampleBook book;
    book.types = {"转", "记"};
    for (std::size_t i = 0; i < count; ++i) {
      SampleVoucher v;
      v.date = vouchers[i].date;
      v.type = std::string_view(vouchers[i].type) == "转" ? 0 : 1;
      v.number_at = static_cast<std::uint32_t>(book.numbers.size());
      v.number_size = static_cast<std::uint32_t>(std::string_view(vouchers[i].number).size());
      book.numbers += vouchers[i].number;
      v.first_row = static_cast<std::int64_t>(2 * i + 1);
      v.count = 2;  // two postings each, the second after all the first ones
      book.vouchers.push_back(v);
    }
    for (int round = 0; round < 2; ++round)
      for (std::size_t i = 0; i < count; ++i) {
        SamplePosting p;
        p.voucher = static_cast<int>(i);
        p.units = static_cast<std::int64_t>(i);  // which voucher it was read with
        book.postings.push_back(p);
      }
    SortVouchers(book);
    ASSERT_EQ(book.vouchers.size(), count);
    const auto place = [&](const SampleVoucher& v) {
      return checks::VoucherPlace{v.date, book.Type(v), book.Number(v), v.first_row};
    };
    for (std::size_t i = 1; i < book.vouchers.size(); ++i)
      EXPECT_TRUE(checks::VoucherBefore(place(book.vouchers[i - 1]), place(book.vouchers[i])))
          << i << ": " << book.Number(book.vouchers[i - 1]) << " before "
          << book.Number(book.vouchers[i]);
    for (std::size_t k = 0; k < book.vouchers.size(); ++k) {
      const SampleVoucher& v = book.vouchers[k];
      ASSERT_EQ(v.count, 2u);
      for (const int p : book.Postings(v)) {
        const SamplePosting& posting = book.postings[static_cast<std::size_t>(p)];
        EXPECT_EQ(posting.voucher, static_cast<int>(k));
        EXPECT_EQ(book.vouchers[k].first_row, 2 * posting.units + 1);
      }
    }
  }
}

}  // namespace
}  // namespace qoru::sampling
