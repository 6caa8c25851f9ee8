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

void BM_SpectrumAnalysis(benchmark::State& state, TAnalysisPath path) {
  std::vector<std::uint32_t> frames = MusicBlock();
  const TSampleBlock block{frames.data(), 8192, 8192};
  TSpectrumAnalysis analysis(path);
  if (analysis.Path() != path) state.SkipWithError("this processor lacks the path");
  state.SetLabel(std::string(AnalysisPathName(analysis.Path())));
  analysis.FRecLevel = 100;
  analysis.FSpeanaPattern = 2;
  analysis.FAdjustSpeanaLevel = 100;
  NullOutput output;
  for (auto _ : state) analysis.Sampling(&block, true, output);
  if (output.Clears != 0) state.SkipWithError("the benchmark block is silent");
}
BENCHMARK_CAPTURE(BM_SpectrumAnalysis, scalar, TAnalysisPath::Scalar);
BENCHMARK_CAPTURE(BM_SpectrumAnalysis, portable, TAnalysisPath::Portable);
BENCHMARK_CAPTURE(BM_SpectrumAnalysis, sse2, TAnalysisPath::Sse2);
BENCHMARK_CAPTURE(BM_SpectrumAnalysis, avx2, TAnalysisPath::Avx2);
// What the plug-in and the player run: the path picked at start.
BENCHMARK_CAPTURE(BM_SpectrumAnalysis, dispatched, DispatchedAnalysisPath());

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
