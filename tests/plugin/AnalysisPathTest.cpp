// Every fast path against the scalar reference: the band sums must agree to
// the bit, block after block, on every kind of block the analysis meets.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "player/input/DemoSource.h"
#include "plugin/AnalysisPath.h"
#include "plugin/SpectrumAnalysis.h"
#include "tests/plugin/AnalysisTestSupport.h"

namespace {

using analysis_test::BlockOf;
using analysis_test::Frame;
using analysis_test::TRecorder;

constexpr std::array kRecLevels{100,  0,    50,   200,     1,      99, 101, -150,
                                100000, -1, std::numeric_limits<std::int32_t>::max(),
                                std::numeric_limits<std::int32_t>::min()};
constexpr std::array kFastPaths{TAnalysisPath::Portable, TAnalysisPath::Sse2, TAnalysisPath::Avx2,
                                TAnalysisPath::Avx512};

std::vector<TAnalysisPath> SupportedFastPaths() {
  std::vector<TAnalysisPath> paths;
  for (TAnalysisPath path : kFastPaths) {
    if (AnalysisPathSupported(path)) paths.push_back(path);
  }
  return paths;
}

struct TRun {
  explicit TRun(TAnalysisPath path) : Analysis(path) {}
  TSpectrumAnalysis Analysis;
  TRecorder Output;
};

// Runs blocks through the reference and every fast path this processor
// has, each with its own analysis, and compares what they decide: clears,
// levels and, when the block was analysed, the band sums to the bit.
class TPathComparison {
 public:
  TPathComparison() : FReference(TAnalysisPath::Scalar) {
    for (TAnalysisPath path : SupportedFastPaths()) {
      FFast.push_back(std::make_unique<TRun>(path));
    }
  }

  // The settings cycle with the block count, so that every kind of block
  // meets every pattern and every recording level.
  void Compare(std::vector<std::uint32_t>& frames) {
    const std::int32_t pattern = FBlocks % kBandPatternCount;
    const std::int32_t recLevel = kRecLevels[(FBlocks / kBandPatternCount) % kRecLevels.size()];
    ++FBlocks;
    const TSampleBlock block = BlockOf(frames);
    const std::size_t before = FReference.Output.Left.size();
    Run(FReference, block, pattern, recLevel);
    const bool analysed = FReference.Output.Left.size() > before;
    FAnalysed += analysed ? 1 : 0;
    for (auto& fast : FFast) {
      Run(*fast, block, pattern, recLevel);
      ExpectSameAsReference(*fast, analysed);
    }
  }

  int Blocks() const { return FBlocks; }
  int Analysed() const { return FAnalysed; }

 private:
  static void Run(TRun& run, const TSampleBlock& block, std::int32_t pattern,
                  std::int32_t recLevel) {
    run.Analysis.FSpeanaPattern = pattern;
    run.Analysis.FRecLevel = recLevel;
    run.Analysis.FAdjustSpeanaLevel = 100 + pattern * 37;
    run.Analysis.Sampling(&block, true, run.Output);
  }

  void ExpectSameAsReference(const TRun& fast, bool analysed) const {
    const std::string path(AnalysisPathName(fast.Analysis.Path()));
    ASSERT_EQ(fast.Output.Clears, FReference.Output.Clears) << path << ", block " << FBlocks;
    ASSERT_EQ(fast.Output.Left.size(), FReference.Output.Left.size()) << path;
    ASSERT_EQ(fast.Output.Right.size(), FReference.Output.Right.size()) << path;
    if (!analysed) return;
    ASSERT_EQ(fast.Output.Left.back(), FReference.Output.Left.back())
        << path << ", block " << FBlocks;
    ASSERT_EQ(fast.Output.Right.back(), FReference.Output.Right.back())
        << path << ", block " << FBlocks;
    for (TChannel channel : {TChannel::Left, TChannel::Right}) {
      const TBandSums& expected = FReference.Analysis.LastBandSums(channel);
      const TBandSums& actual = fast.Analysis.LastBandSums(channel);
      for (int band = 0; band < kBandCount; ++band) {
        ASSERT_EQ(std::bit_cast<std::uint64_t>(actual[band]),
                  std::bit_cast<std::uint64_t>(expected[band]))
            << path << ", block " << FBlocks << ", band " << band << ": " << actual[band]
            << " against " << expected[band];
      }
    }
  }

  TRun FReference;
  std::vector<std::unique_ptr<TRun>> FFast;
  int FBlocks = 0;
  int FAnalysed = 0;
};

std::int16_t Sample(std::int32_t value) { return static_cast<std::int16_t>(value); }

TEST(AnalysisPathTest, EachPathIsTheOneItClaims) {
  for (TAnalysisPath path : SupportedFastPaths()) {
    const TSpectrumAnalysis analysis(path);
    EXPECT_EQ(analysis.Path(), path);
    const TFastKernel* kernel = FastKernelOf(path);
    ASSERT_NE(kernel, nullptr) << AnalysisPathName(path);
    const std::size_t lanes = path == TAnalysisPath::Avx512 ? 8
                              : path == TAnalysisPath::Avx2 ? 4
                                                            : 2;
    EXPECT_EQ(kernel->Lanes, lanes) << AnalysisPathName(path);
  }
  EXPECT_EQ(TSpectrumAnalysis(TAnalysisPath::Scalar).Path(), TAnalysisPath::Scalar);
  EXPECT_EQ(FastKernelOf(TAnalysisPath::Scalar), nullptr);
  // Distinct paths run distinct code.
  const auto paths = SupportedFastPaths();
  for (std::size_t i = 0; i < paths.size(); ++i) {
    for (std::size_t j = i + 1; j < paths.size(); ++j) {
      EXPECT_NE(FastKernelOf(paths[i])->Run, FastKernelOf(paths[j])->Run);
    }
  }
}

TEST(AnalysisPathTest, TheWidestPathIsWhatTheProcessorOffers) {
  EXPECT_TRUE(AnalysisPathSupported(TAnalysisPath::Scalar));
  EXPECT_TRUE(AnalysisPathSupported(TAnalysisPath::Portable));
#if defined(__x86_64__)
  EXPECT_TRUE(AnalysisPathSupported(TAnalysisPath::Sse2));
  const bool avx2 = __builtin_cpu_supports("avx2") != 0;
  const bool avx512 = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq");
  EXPECT_EQ(AnalysisPathSupported(TAnalysisPath::Avx2), avx2);
  EXPECT_EQ(AnalysisPathSupported(TAnalysisPath::Avx512), avx512);
  EXPECT_EQ(WidestAnalysisPath(), avx512 ? TAnalysisPath::Avx512
                                  : avx2 ? TAnalysisPath::Avx2
                                         : TAnalysisPath::Sse2);
#else
  EXPECT_EQ(WidestAnalysisPath(), TAnalysisPath::Portable);
#endif
}

TEST(AnalysisPathTest, TheVariableForcesAPathOrFallsBackLoudly) {
  std::string warning;
  EXPECT_EQ(ResolveAnalysisPath(nullptr, &warning), WidestAnalysisPath());
  EXPECT_EQ(ResolveAnalysisPath("", &warning), WidestAnalysisPath());
  EXPECT_EQ(ResolveAnalysisPath("scalar", &warning), TAnalysisPath::Scalar);
  EXPECT_EQ(ResolveAnalysisPath("portable", &warning), TAnalysisPath::Portable);
  for (TAnalysisPath path : SupportedFastPaths()) {
    EXPECT_EQ(ResolveAnalysisPath(std::string(AnalysisPathName(path)).c_str(), &warning), path);
  }
  EXPECT_TRUE(warning.empty()) << warning;

  EXPECT_EQ(ResolveAnalysisPath("avx1024", &warning), WidestAnalysisPath());
  EXPECT_EQ(warning, std::string("KOLMIRA_ANALYSIS_PATH=avx1024: no such analysis path "
                                 "(scalar, portable, sse2, avx2, avx512); using ") +
                         std::string(AnalysisPathName(WidestAnalysisPath())));
  for (TAnalysisPath path : kFastPaths) {
    if (AnalysisPathSupported(path)) continue;
    warning.clear();
    EXPECT_EQ(ResolveAnalysisPath(std::string(AnalysisPathName(path)).c_str(), &warning),
              WidestAnalysisPath());
    EXPECT_NE(warning.find("this processor cannot run"), std::string::npos) << warning;
  }
}

// CTest also runs this with the variable set to each path.
TEST(AnalysisPathTest, TheDefaultAnalysisRunsTheDispatchedPath) {
  EXPECT_EQ(TSpectrumAnalysis().Path(), DispatchedAnalysisPath());
  const char* forced = std::getenv(kAnalysisPathVariable);
  EXPECT_EQ(DispatchedAnalysisPath(), ResolveAnalysisPath(forced, nullptr));
  if (forced == nullptr) return;
  const std::optional<TAnalysisPath> named = AnalysisPathNamed(forced);
  if (named && AnalysisPathSupported(*named)) {
    EXPECT_EQ(TSpectrumAnalysis().Path(), *named);
  }
}

TEST(AnalysisPathTest, AnUnsupportedPathFallsBackToTheDispatchedOne) {
  for (TAnalysisPath path : kFastPaths) {
    if (AnalysisPathSupported(path)) continue;
    EXPECT_EQ(TSpectrumAnalysis(path).Path(), DispatchedAnalysisPath());
  }
}

// Every 16-bit sample on both channels, at levels around unity, negative,
// tiny, huge and at the ends of the 32-bit range, against the reference's
// integer gain; and the loudness from those very samples.
TEST(AnalysisPathTest, EveryKernelScalesEverySampleAsTheReference) {
  constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
  constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
  const std::array<std::int32_t, 17> levels{
      0, 1, -1, 2, 3, 7, 33, 50, 99, 101, 150, 200, -100, 100'000, 65'537, kMax, kMin};
  constexpr std::size_t kSamples = 65536;
  std::vector<std::uint32_t> frames(kSamples);
  for (std::size_t i = 0; i < kSamples; ++i) {
    // Left runs up through every sample, right down, so both halves meet each.
    frames[i] = Frame(Sample(static_cast<std::int32_t>(i) - 32768),
                      Sample(32767 - static_cast<std::int32_t>(i)));
  }
  std::vector<double> left(kSamples + 1);
  std::vector<double> right(kSamples + 1);
  for (TAnalysisPath path : SupportedFastPaths()) {
    const TFastKernel* kernel = FastKernelOf(path);
    for (std::int32_t level : levels) {
      // An odd count leaves a tail for the scalar remainder of each kernel.
      for (std::uint32_t count : {std::uint32_t{kSamples}, std::uint32_t{kSamples - 3}}) {
        const std::uint32_t loudness =
            kernel->UnpackScaled(frames.data(), count, level, left.data(), right.data());
        std::uint32_t expectedLoudness = 0;
        for (std::uint32_t i = 0; i < count; ++i) {
          const std::int32_t l = static_cast<std::int32_t>(i) - 32768;
          const std::int32_t r = 32767 - static_cast<std::int32_t>(i);
          const std::int32_t scaledLeft = TSpectrumAnalysis::ApplyRecLevel(l, level);
          const std::int32_t scaledRight = TSpectrumAnalysis::ApplyRecLevel(r, level);
          ASSERT_EQ(std::bit_cast<std::uint64_t>(left[i]),
                    std::bit_cast<std::uint64_t>(static_cast<double>(scaledLeft)))
              << AnalysisPathName(path) << ": level " << level << ", sample " << l;
          ASSERT_EQ(std::bit_cast<std::uint64_t>(right[i]),
                    std::bit_cast<std::uint64_t>(static_cast<double>(scaledRight)))
              << AnalysisPathName(path) << ": level " << level << ", sample " << r;
          expectedLoudness |=
              static_cast<std::uint32_t>(std::abs(scaledLeft) + std::abs(scaledRight));
        }
        EXPECT_EQ(loudness, expectedLoudness) << AnalysisPathName(path) << ": level " << level;
      }
    }
  }
}

// At unity level: every 16-bit sample on both channels unpacked as the
// reference unpacks it, and the loudness of quiet blocks with one frame at
// the threshold at each place, in blocks of every length up to several
// vectors, so that each lane and each tail decides alike.
TEST(AnalysisPathTest, EveryKernelUnpacksAndWeighsFramesAsTheReference) {
  constexpr std::size_t kSamples = 65536;
  std::vector<std::uint32_t> frames(kSamples);
  for (std::size_t i = 0; i < kSamples; ++i) {
    frames[i] = Frame(Sample(32767 - static_cast<std::int32_t>(i)),
                      Sample(static_cast<std::int32_t>(i) - 32768));
  }
  std::vector<double> left(kSamples);
  std::vector<double> right(kSamples);
  constexpr std::uint32_t kSilenceMask = ~std::uint32_t{0xFF};
  for (TAnalysisPath path : SupportedFastPaths()) {
    const TFastKernel* kernel = FastKernelOf(path);
    for (std::uint32_t count : {std::uint32_t{kSamples}, std::uint32_t{kSamples - 7}}) {
      const std::uint32_t loudness =
          kernel->Unpack(frames.data(), count, left.data(), right.data());
      std::uint32_t expectedLoudness = 0;
      for (std::uint32_t i = 0; i < count; ++i) {
        const std::int32_t l = 32767 - static_cast<std::int32_t>(i);
        const std::int32_t r = static_cast<std::int32_t>(i) - 32768;
        ASSERT_EQ(std::bit_cast<std::uint64_t>(left[i]),
                  std::bit_cast<std::uint64_t>(static_cast<double>(l)))
            << AnalysisPathName(path) << ": sample " << l;
        ASSERT_EQ(std::bit_cast<std::uint64_t>(right[i]),
                  std::bit_cast<std::uint64_t>(static_cast<double>(r)))
            << AnalysisPathName(path) << ": sample " << r;
        expectedLoudness |= static_cast<std::uint32_t>(std::abs(l) + std::abs(r));
      }
      EXPECT_EQ(loudness, expectedLoudness) << AnalysisPathName(path);
    }
    for (std::uint32_t count = 1; count <= 40; ++count) {
      for (std::uint32_t loud = 0; loud <= count; ++loud) {
        // |L| + |R| of 255 everywhere; 256, or both channels at -32768,
        // at `loud` (none when it is `count`).
        std::vector<std::uint32_t> block(count, Frame(-127, 128));
        if (loud < count) block[loud] = loud % 2 == 0 ? Frame(-128, 128) : Frame(-32768, -32768);
        const bool expected = loud < count;
        EXPECT_EQ((kernel->Loudness(block.data(), count) & kSilenceMask) != 0, expected)
            << AnalysisPathName(path) << ": " << count << " frames, loud at " << loud;
        EXPECT_EQ((kernel->Unpack(block.data(), count, left.data(), right.data()) & kSilenceMask) !=
                      0,
                  expected)
            << AnalysisPathName(path) << ": " << count << " frames, loud at " << loud;
      }
    }
  }
}

TEST(AnalysisPathTest, RandomFullRangeBlocksGiveTheReferenceSums) {
  TPathComparison comparison;
  std::mt19937 generator(12);
  std::vector<std::uint32_t> frames(2048);
  for (int block = 0; block < 7500; ++block) {
    for (std::uint32_t& frame : frames) frame = generator();
    comparison.Compare(frames);
  }
  EXPECT_GT(comparison.Analysed(), 5600);
}

TEST(AnalysisPathTest, MusicLikeBlocksGiveTheReferenceSums) {
  kivo::DemoSource demo;
  std::vector<std::uint32_t> music(kivo::DemoSource::TotalFrames());
  music.resize(demo.Read(music));
  TPathComparison comparison;
  std::vector<std::uint32_t> frames(2048);
  for (std::size_t start = 0; start + frames.size() <= music.size(); start += 256) {
    std::copy_n(music.begin() + static_cast<std::ptrdiff_t>(start), frames.size(), frames.begin());
    comparison.Compare(frames);
  }
  EXPECT_GT(comparison.Blocks(), 2700);
  EXPECT_GT(comparison.Analysed(), 1500);
}

TEST(AnalysisPathTest, ShortBlocksGiveTheReferenceSums) {
  TPathComparison comparison;
  std::mt19937 generator(3);
  std::uniform_int_distribution<std::int32_t> quiet(-300, 300);
  for (std::size_t count = 1; count < 2048; ++count) {
    std::vector<std::uint32_t> loud(count);
    std::vector<std::uint32_t> soft(count);
    for (std::size_t i = 0; i < count; ++i) {
      loud[i] = generator();
      soft[i] = Frame(Sample(quiet(generator)), Sample(quiet(generator)));
    }
    comparison.Compare(loud);
    comparison.Compare(soft);
  }
  std::vector<std::uint32_t> empty;
  comparison.Compare(empty);
  EXPECT_GT(comparison.Analysed(), 2500);
}

TEST(AnalysisPathTest, FullScaleSquaresImpulsesAndAlternationGiveTheReferenceSums) {
  TPathComparison comparison;
  std::vector<std::uint32_t> frames(2048);
  for (std::size_t period = 2; period <= 2048; period += 2) {
    for (std::size_t i = 0; i < frames.size(); ++i) {
      const bool high = i % period < period / 2;
      frames[i] = Frame(high ? 32767 : -32768, high ? -32768 : 32767);
    }
    comparison.Compare(frames);
  }
  for (std::size_t position = 0; position < frames.size(); ++position) {
    std::fill(frames.begin(), frames.end(), 0);
    frames[position] = Frame(32767, Sample(position % 2 == 0 ? -32768 : 1000));
    comparison.Compare(frames);
    frames[position] = Frame(-32768, 0);
    comparison.Compare(frames);
  }
  for (std::size_t count = 1; count <= 2048; count += 3) {
    std::vector<std::uint32_t> alternating(count);
    for (std::size_t i = 0; i < count; ++i) {
      alternating[i] = i % 2 == 0 ? Frame(32767, -32768) : Frame(-32768, 32767);
    }
    comparison.Compare(alternating);
  }
  EXPECT_GT(comparison.Blocks(), 5700);
}

// A tone at each bin in turn, in phase and a quarter turn on, so that each
// band's sum rests on bins the last stages put in every position of their
// groups; a magnitude stored one place off moves a tone between bands.
TEST(AnalysisPathTest, AToneAtEachBinGivesTheReferenceSums) {
  TPathComparison comparison;
  std::vector<std::uint32_t> frames(2048);
  for (std::size_t bin = 0; bin < 1024; ++bin) {
    for (std::size_t i = 0; i < frames.size(); ++i) {
      const double turn = 2.0 * 3.141592653589793 * static_cast<double>(bin * i) / 2048.0;
      frames[i] = Frame(Sample(static_cast<std::int32_t>(std::lround(20000.0 * std::cos(turn)))),
                        Sample(static_cast<std::int32_t>(std::lround(20000.0 * std::sin(turn)))));
    }
    comparison.Compare(frames);
  }
  EXPECT_GT(comparison.Analysed(), 800);
}

TEST(AnalysisPathTest, BlocksAtTheSilenceThresholdAreDecidedAlike) {
  TPathComparison comparison;
  std::mt19937 generator(256);
  std::uniform_int_distribution<std::int32_t> part(0, 255);
  std::uniform_int_distribution<std::size_t> anywhere(0, 2047);
  const std::array<std::pair<std::int32_t, std::int32_t>, 6> loudFrames{
      {{256, 0}, {-128, 128}, {0, -256}, {-32768, 0}, {-32768, -32768}, {32767, -32768}}};
  std::vector<std::uint32_t> frames(2048);
  for (int block = 0; block < 1200; ++block) {
    // Every frame at most 255 in |L| + |R|, signs mixed.
    for (std::uint32_t& frame : frames) {
      const std::int32_t left = part(generator);
      const std::int32_t right = part(generator) % (256 - left);
      frame = Frame(Sample(block % 2 == 0 ? left : -left), Sample(block % 3 == 0 ? -right : right));
    }
    if (block % 4 != 0) {
      const auto& [left, right] = loudFrames[static_cast<std::size_t>(block) % loudFrames.size()];
      frames[anywhere(generator)] = Frame(Sample(left), Sample(right));
    }
    comparison.Compare(frames);
  }
  EXPECT_GT(comparison.Analysed(), 300);
  EXPECT_GT(comparison.Blocks() - comparison.Analysed(), 300);
}

}  // namespace

// A block that repeats with period p (or repeats negated) makes the
// differences of the first stages vanish exactly, so the products the fast
// paths leave out, and the difference half they never compute, meet zeros
// of either sign at every stage in turn.
TEST(AnalysisPathTest, BlocksWhoseDifferencesCancelGiveTheReferenceSums) {
  TPathComparison comparison;
  std::mt19937 generator(2048);
  std::vector<std::uint32_t> frames(2048);
  for (std::size_t period = 1; period <= 1024; period *= 2) {
    for (int variant = 0; variant < 24; ++variant) {
      const bool negated = variant % 2 == 1;
      for (std::size_t i = 0; i < period; ++i) frames[i] = generator();
      for (std::size_t i = period; i < frames.size(); ++i) {
        const std::uint32_t earlier = frames[i - period];
        const auto flip = [&](std::int32_t sample) {
          return Sample(negated ? -std::max(sample, -32767) : sample);
        };
        frames[i] = Frame(flip(static_cast<std::int16_t>(earlier & 0xFFFF)),
                          flip(static_cast<std::int16_t>(earlier >> 16)));
      }
      comparison.Compare(frames);
    }
  }
  EXPECT_GT(comparison.Analysed(), 200);
}
