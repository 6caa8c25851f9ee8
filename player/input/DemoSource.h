// The built-in demo: a few bars of synthesised music (pad chords, bass,
// kick, hi-hat, a melody and a rising sweep, spread across the stereo
// field), so that the player can be tried without an audio file.
#pragma once

#include <cstdint>

#include "player/input/FrameSource.h"

namespace kivo {

class DemoSource final : public FrameSource {
 public:
  static constexpr int kSampleRate = 44100;
  static constexpr double kSeconds = 16.0;

  std::size_t Read(std::span<Frame> frames) override;

  static std::size_t TotalFrames();

 private:
  struct StereoSample {
    double Left;
    double Right;
  };
  StereoSample SampleAt(std::size_t frame);
  double NextNoise();

  std::size_t FPosition = 0;
  std::uint32_t FNoiseState = 0x12345678;
};

}  // namespace kivo
