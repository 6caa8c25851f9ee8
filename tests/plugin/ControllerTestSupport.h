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

// 2048 frames of two tones per channel: on the left at bins 12 and 50, on
// the right at bins 25 and 100, so that the channels light different bands.
inline std::vector<std::uint32_t> TwoToneFrames() {
  std::vector<std::uint32_t> frames(2048);
  const auto tones = [](double turn, int low, int high) {
    return static_cast<std::int16_t>(
        std::lround(9000 * std::cos(low * turn) + 6000 * std::cos(high * turn)));
  };
  for (std::size_t j = 0; j < frames.size(); ++j) {
    const double turn = 2 * std::numbers::pi * static_cast<double>(j) / 2048;
    frames[j] = analysis_test::Frame(tones(turn, 12, 50), tones(turn, 100, 25));
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
