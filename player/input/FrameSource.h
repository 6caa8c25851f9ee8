// Where the player's audio comes from: any source delivers stereo frames in
// the block format the plug-in reads (left sample in the low half).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>

namespace kivo {

using Frame = std::uint32_t;

constexpr Frame PackFrame(std::int16_t left, std::int16_t right) {
  return static_cast<std::uint16_t>(left) | (Frame{static_cast<std::uint16_t>(right)} << 16);
}

// Converts a sample in -1..1 to 16 bits, rounding to nearest and clamping.
inline std::int16_t SampleToInt16(double sample) {
  if (std::isnan(sample)) return 0;
  const double scaled = std::round(sample * 32768.0);
  return static_cast<std::int16_t>(std::clamp(scaled, -32768.0, 32767.0));
}

// Raised when an input cannot be opened or read; its text is for the user.
class InputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class FrameSource {
 public:
  virtual ~FrameSource() = default;

  // Fills the front of `frames` and returns how many it filled; fewer than
  // asked only at the end of the input, 0 once it is used up.
  virtual std::size_t Read(std::span<Frame> frames) = 0;
};

}  // namespace kivo
