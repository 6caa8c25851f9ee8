#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "plugin/SpectrumAnalysis.h"

namespace {

constexpr std::size_t kN = TSpectrumAnalysis::kPoints;
constexpr long double kStep = 6.283185303L / kN;

struct TComplexSignal {
  std::vector<double> Re;
  std::vector<double> Im;
};

// The transform straight from its definition, in extended precision:
// X[k] = 1/sqrt(n) × Σ x[j] × e^(+i × step × j × k).
TComplexSignal DirectTransform(const TComplexSignal& x) {
  TComplexSignal result{std::vector<double>(kN), std::vector<double>(kN)};
  const long double scale = 1.0L / std::sqrt(static_cast<long double>(kN));
  std::vector<long double> cosine(kN);
  std::vector<long double> sine(kN);
  for (std::size_t m = 0; m < kN; ++m) {
    cosine[m] = std::cos(kStep * m);
    sine[m] = std::sin(kStep * m);
  }
  for (std::size_t k = 0; k < kN; ++k) {
    long double re = 0;
    long double im = 0;
    for (std::size_t j = 0; j < kN; ++j) {
      const std::size_t m = (j * k) % kN;
      re += x.Re[j] * cosine[m] - x.Im[j] * sine[m];
      im += x.Re[j] * sine[m] + x.Im[j] * cosine[m];
    }
    result.Re[k] = static_cast<double>(re * scale);
    result.Im[k] = static_cast<double>(im * scale);
  }
  return result;
}

TComplexSignal RandomSignal(std::uint32_t seed, bool complexInput) {
  std::mt19937 generator(seed);
  std::uniform_real_distribution<double> sample(-32768.0, 32767.0);
  TComplexSignal x{std::vector<double>(kN), std::vector<double>(kN, 0.0)};
  for (std::size_t j = 0; j < kN; ++j) {
    x.Re[j] = std::round(sample(generator));
    if (complexInput) x.Im[j] = std::round(sample(generator));
  }
  return x;
}

void ExpectMatchesDirectTransform(const TComplexSignal& input) {
  TSpectrumAnalysis analysis;
  TComplexSignal fast = input;
  analysis.Transform(fast.Re.data(), fast.Im.data(), kN);
  const TComplexSignal direct = DirectTransform(input);
  // The step falls a hair short of 2π/n, so the fast form's twiddle products
  // and the direct form's angles agree only to about 1e-9 of full scale.
  const double tolerance = 32768.0 * std::sqrt(double(kN)) * 1e-8;
  for (std::size_t k = 0; k < kN; ++k) {
    ASSERT_NEAR(fast.Re[k], direct.Re[k], tolerance) << "bin " << k;
    ASSERT_NEAR(fast.Im[k], direct.Im[k], tolerance) << "bin " << k;
  }
}

TEST(TransformTest, MatchesTheDirectTransformOnRealInput) {
  ExpectMatchesDirectTransform(RandomSignal(2048, false));
}

TEST(TransformTest, MatchesTheDirectTransformOnComplexInput) {
  ExpectMatchesDirectTransform(RandomSignal(7, true));
}

TEST(TransformTest, RefusesASizeOtherThanTheTables) {
  TSpectrumAnalysis analysis;
  std::vector<double> re(1024);
  std::vector<double> im(1024);
  EXPECT_THROW(analysis.Transform(re.data(), im.data(), 1024), std::invalid_argument);
}

TEST(TransformTest, ScalesByTheDoubleNearestOneOverRootN) {
  EXPECT_EQ(TSpectrumAnalysis::TransformScale(kN), 0.02209708691207961);
  // One unit in the last place above the square root taken in double.
  EXPECT_EQ(TSpectrumAnalysis::TransformScale(kN),
            std::nextafter(1.0 / std::sqrt(double(kN)), 1.0));
  EXPECT_EQ(TSpectrumAnalysis::TransformScale(4), 0.5);
}

TEST(TablesTest, HoldSinesAndCosinesOfTheStepOnAlignedStorage) {
  TSpectrumAnalysis analysis;
  const TAlignedArray& sine = analysis.SineTable();
  const TAlignedArray& cosine = analysis.CosineTable();
  ASSERT_EQ(sine.size(), kN);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(sine.data()) % 16, 0u);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(cosine.data()) % 16, 0u);
  EXPECT_EQ(sine[0], 0.0);
  EXPECT_EQ(cosine[0], 1.0);
  for (std::size_t k = 0; k < kN; k += 97) {
    const long double angle = kStep * k;
    EXPECT_EQ(sine[k], static_cast<double>(std::sin(angle))) << k;
    EXPECT_EQ(cosine[k], static_cast<double>(std::cos(angle))) << k;
  }
  // The step falls short of 2π/n, so the quarter turn stops short of zero.
  EXPECT_GT(cosine[kN / 4], 0.0);
}

TEST(TablesTest, RebuildingReplacesTheTables) {
  TSpectrumAnalysis analysis;
  analysis.InitTables(8);
  ASSERT_EQ(analysis.SineTable().size(), 8u);
  EXPECT_NEAR(analysis.SineTable()[2], 1.0, 1e-8);
  std::vector<double> re{1, 0, 0, 0, 0, 0, 0, 0};
  std::vector<double> im(8, 0.0);
  analysis.Transform(re.data(), im.data(), 8);
  for (double value : re) EXPECT_NEAR(value, 1.0 / std::sqrt(8.0), 1e-12);
}

TEST(BandSumTest, SumsMagnitudesOverTheHalfOpenRange) {
  const std::vector<double> re{3, 0, -6, 100};
  const std::vector<double> im{4, -1, 8, 100};
  EXPECT_DOUBLE_EQ(TSpectrumAnalysis::BandSum(0, 3, re.data(), im.data()), 5 + 1 + 10);
  EXPECT_EQ(TSpectrumAnalysis::BandSum(2, 2, re.data(), im.data()), 0.0);
}

}  // namespace
