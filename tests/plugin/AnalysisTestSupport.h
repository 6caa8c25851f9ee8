// Drives the analysis with hand-made blocks and records what it decides.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>
#include <vector>

#include "plugin/SpectrumAnalysis.h"

namespace analysis_test {

inline std::uint32_t Frame(std::int16_t left, std::int16_t right) {
  return static_cast<std::uint16_t>(left) | std::uint32_t{static_cast<std::uint16_t>(right)} << 16;
}

class TRecorder final : public TAnalysisOutput {
 public:
  void ClearPanels() override { ++Clears; }
  void SetLevels(TChannel channel, const TBandLevels& levels) override {
    (channel == TChannel::Left ? Left : Right).push_back(levels);
    if (OnSetLevels) OnSetLevels(channel);
  }

  bool NothingHappened() const { return Clears == 0 && Left.empty() && Right.empty(); }

  int Clears = 0;
  std::vector<TBandLevels> Left;
  std::vector<TBandLevels> Right;
  std::function<void(TChannel)> OnSetLevels;
};

// A block over `frames` whose Size and Capacity default to the frames held.
inline TSampleBlock BlockOf(std::vector<std::uint32_t>& frames) {
  const auto bytes = static_cast<std::uint32_t>(frames.size() * 4);
  return TSampleBlock{frames.data(), bytes, bytes};
}

// 2048 frames of amplitude × cos(2π × cycles × j / 2048), rounded, on both channels.
inline std::vector<std::uint32_t> CosineFrames(double amplitude, int cycles) {
  std::vector<std::uint32_t> frames(2048);
  for (std::size_t j = 0; j < frames.size(); ++j) {
    const auto sample = static_cast<std::int16_t>(std::lround(
        amplitude * std::cos(2 * std::numbers::pi * cycles * static_cast<double>(j) / 2048)));
    frames[j] = Frame(sample, sample);
  }
  return frames;
}

}  // namespace analysis_test
