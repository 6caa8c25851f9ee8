// What the controller and library tests share beyond the stage: a block
// that lights different bands on the two channels, and the levels the
// analysis gives it.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "tests/plugin/AnalysisTestSupport.h"

namespace plugin_test {

// 2048 frames: on the left a tone at bin 12 (band 1 of pattern 2), on the
// right a quieter one at bin 100 (band 7).
inline std::vector<std::uint32_t> TwoToneFrames() {
  std::vector<std::uint32_t> frames(2048);
  for (std::size_t j = 0; j < frames.size(); ++j) {
    const double turn = 2 * std::numbers::pi * static_cast<double>(j) / 2048;
    frames[j] = analysis_test::Frame(static_cast<std::int16_t>(std::lround(6000 * std::cos(12 * turn))),
                                     static_cast<std::int16_t>(std::lround(3000 * std::cos(100 * turn))));
  }
  return frames;
}

struct TExpectedLevels {
  TBandLevels Left{};
  TBandLevels Right{};
};

// The levels of a block as the analysis computes them on its own, clamped
// to what a panel can show.
inline TExpectedLevels LevelsOf(std::vector<std::uint32_t> frames, std::int32_t recLevel,
                                std::int32_t pattern, std::int32_t adjustment) {
  TSpectrumAnalysis analysis;
  analysis.FRecLevel = recLevel;
  analysis.FSpeanaPattern = pattern;
  analysis.FAdjustSpeanaLevel = adjustment;
  analysis_test::TRecorder recorder;
  const TSampleBlock block = analysis_test::BlockOf(frames);
  analysis.Sampling(&block, true, recorder);
  TExpectedLevels expected;
  if (recorder.Left.empty()) return expected;
  for (std::size_t band = 0; band < expected.Left.size(); ++band) {
    expected.Left[band] = std::clamp(recorder.Left[0][band], 0, 10);
    expected.Right[band] = std::clamp(recorder.Right[0][band], 0, 10);
  }
  return expected;
}

}  // namespace plugin_test
