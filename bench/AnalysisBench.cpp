// One stereo block through the spectrum analysis on each of its paths,
// beside the same job done by FFTW in its strongest arrangement, all in one
// process and one run, so that the ratios hold even on a busy machine.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/FftwPipeline.h"
#include "player/input/DemoSource.h"
#include "plugin/SpectrumAnalysis.h"

namespace {

// Two seconds into the demo: chords, bass and drums, not silence.
std::vector<std::uint32_t> MusicBlock() {
  kivo::DemoSource demo;
  std::vector<kivo::Frame> frames(2 * kivo::DemoSource::kSampleRate + 2048);
  demo.Read(frames);
  return {frames.end() - 2048, frames.end()};
}

class LevelsOutput final : public TAnalysisOutput {
 public:
  void ClearPanels() override {}
  void SetLevels(TChannel channel, const TBandLevels& levels) override {
    (channel == TChannel::Left ? Left : Right) = levels;
  }
  TBandLevels Left{};
  TBandLevels Right{};
};

class NullOutput final : public TAnalysisOutput {
 public:
  void ClearPanels() override { ++Clears; }
  void SetLevels(TChannel, const TBandLevels& levels) override {
    benchmark::DoNotOptimize(levels.data());
  }
  int Clears = 0;
};

TBandLevels ReferenceLevels(std::vector<std::uint32_t>& frames, TChannel channel) {
  TSpectrumAnalysis analysis(TAnalysisPath::Scalar);
  analysis.FRecLevel = 100;
  analysis.FSpeanaPattern = kDefaultBandPattern;
  analysis.FAdjustSpeanaLevel = 100;
  LevelsOutput output;
  const TSampleBlock block{frames.data(), 8192, 8192};
  analysis.Sampling(&block, true, output);
  return channel == TChannel::Left ? output.Left : output.Right;
}

// One block of `frames` frames at recording level `recLevel`.
void BM_SpectrumAnalysis(benchmark::State& state, TAnalysisPath path, std::int32_t recLevel,
                         std::uint32_t frames) {
  std::vector<std::uint32_t> samples = MusicBlock();
  const TSampleBlock block{samples.data(), 8192, 4 * frames};
  TSpectrumAnalysis analysis(path);
  if (analysis.Path() != path) state.SkipWithError("this processor lacks the path");
  state.SetLabel(std::string(AnalysisPathName(analysis.Path())));
  analysis.FRecLevel = recLevel;
  analysis.FSpeanaPattern = 2;
  analysis.FAdjustSpeanaLevel = 100;
  NullOutput output;
  for (auto _ : state) analysis.Sampling(&block, true, output);
  if (output.Clears != 0) state.SkipWithError("the benchmark block is silent");
}
BENCHMARK_CAPTURE(BM_SpectrumAnalysis, scalar, TAnalysisPath::Scalar, 100, 2048);
BENCHMARK_CAPTURE(BM_SpectrumAnalysis, portable, TAnalysisPath::Portable, 100, 2048);
BENCHMARK_CAPTURE(BM_SpectrumAnalysis, sse2, TAnalysisPath::Sse2, 100, 2048);
BENCHMARK_CAPTURE(BM_SpectrumAnalysis, avx2, TAnalysisPath::Avx2, 100, 2048);
BENCHMARK_CAPTURE(BM_SpectrumAnalysis, avx512, TAnalysisPath::Avx512, 100, 2048);
// What the plug-in and the player run: the path picked at start.
BENCHMARK_CAPTURE(BM_SpectrumAnalysis, dispatched, DispatchedAnalysisPath(), 100, 2048);
// Any level but 100 scales every sample; a short block is padded with zeros.
BENCHMARK_CAPTURE(BM_SpectrumAnalysis, scalar_level150, TAnalysisPath::Scalar, 150, 2048);
BENCHMARK_CAPTURE(BM_SpectrumAnalysis, portable_level150, TAnalysisPath::Portable, 150, 2048);
BENCHMARK_CAPTURE(BM_SpectrumAnalysis, sse2_level150, TAnalysisPath::Sse2, 150, 2048);
BENCHMARK_CAPTURE(BM_SpectrumAnalysis, avx2_level150, TAnalysisPath::Avx2, 150, 2048);
BENCHMARK_CAPTURE(BM_SpectrumAnalysis, avx512_level150, TAnalysisPath::Avx512, 150, 2048);
BENCHMARK_CAPTURE(BM_SpectrumAnalysis, dispatched_level150, DispatchedAnalysisPath(), 150, 2048);
BENCHMARK_CAPTURE(BM_SpectrumAnalysis, dispatched_short1500, DispatchedAnalysisPath(), 100, 1500);
BENCHMARK_CAPTURE(BM_SpectrumAnalysis, dispatched_short1500_level150, DispatchedAnalysisPath(),
                  150, 1500);
BENCHMARK_CAPTURE(BM_SpectrumAnalysis, avx2_short1500, TAnalysisPath::Avx2, 100, 1500);

void BM_FftwPipeline(benchmark::State& state, FftwPipeline::TLayout layout) {
  if (!FftwPipeline::Supported()) {
    state.SkipWithError("the FFTW pipeline needs AVX2");
    return;
  }
  std::vector<std::uint32_t> frames = MusicBlock();
  FftwPipeline pipeline(layout);
  TBandLevels left{};
  TBandLevels right{};
  // The yardstick must do the same job: same block, same levels.
  pipeline.Analyse(frames.data(), frames.size(), left, right);
  if (left != ReferenceLevels(frames, TChannel::Left) ||
      right != ReferenceLevels(frames, TChannel::Right)) {
    state.SetLabel("levels differ from the analysis");
  }
  for (auto _ : state) {
    pipeline.Analyse(frames.data(), frames.size(), left, right);
    benchmark::DoNotOptimize(left.data());
    benchmark::DoNotOptimize(right.data());
  }
}
BENCHMARK_CAPTURE(BM_FftwPipeline, separate, FftwPipeline::TLayout::Separate);
BENCHMARK_CAPTURE(BM_FftwPipeline, interleaved, FftwPipeline::TLayout::Interleaved);

}  // namespace

BENCHMARK_MAIN();
