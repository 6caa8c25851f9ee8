// One stereo block through the spectrum analysis, beside the same pipeline
// with FFTW doing the transforms.
#include <benchmark/benchmark.h>

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

class NullOutput final : public TAnalysisOutput {
 public:
  void ClearPanels() override { ++Clears; }
  void SetLevels(TChannel, const TBandLevels& levels) override {
    benchmark::DoNotOptimize(levels.data());
  }
  int Clears = 0;
};

void BM_SpectrumAnalysis(benchmark::State& state) {
  std::vector<std::uint32_t> frames = MusicBlock();
  const TSampleBlock block{frames.data(), 8192, 8192};
  TSpectrumAnalysis analysis;
  analysis.FRecLevel = 100;
  analysis.FSpeanaPattern = 2;
  analysis.FAdjustSpeanaLevel = 100;
  NullOutput output;
  for (auto _ : state) analysis.Sampling(&block, true, output);
  if (output.Clears != 0) state.SkipWithError("the benchmark block is silent");
}
BENCHMARK(BM_SpectrumAnalysis);

void BM_FftwPipeline(benchmark::State& state) {
  std::vector<std::uint32_t> frames = MusicBlock();
  FftwPipeline pipeline;
  TBandLevels left{};
  TBandLevels right{};
  for (auto _ : state) {
    pipeline.Analyse(frames.data(), frames.size(), left, right);
    benchmark::DoNotOptimize(left.data());
    benchmark::DoNotOptimize(right.data());
  }
}
BENCHMARK(BM_FftwPipeline);

}  // namespace

BENCHMARK_MAIN();
