#include "player/audio/SoundOutput.h"

#include <algorithm>
#include <cmath>
#include <ostream>
#include <stdexcept>

#include "player/audio/SdlOutput.h"
#include "player/audio/SilentOutput.h"

namespace kivo {

namespace {

std::int16_t Scale(std::int16_t sample, float gain) {
  return static_cast<std::int16_t>(std::lround(sample * std::clamp(gain, 0.0f, 1.0f)));
}

}  // namespace

Frame ApplyVolume(Frame frame, float left, float right) {
  return PackFrame(Scale(static_cast<std::int16_t>(frame & 0xFFFF), left),
                   Scale(static_cast<std::int16_t>(frame >> 16), right));
}

std::unique_ptr<SoundOutput> OpenSoundOutput(const SoundOptions& options, std::ostream& notices) {
  auto clock = std::make_shared<SteadyClock>();
  if (!options.Enabled) {
    notices << "Sound is off: playing silently in real time.\n";
    return std::make_unique<SilentOutput>(options.SampleRate, clock);
  }
  try {
    return std::make_unique<SdlOutput>(options.SampleRate, clock);
  } catch (const std::runtime_error& error) {
    notices << "No sound device (" << error.what() << "): playing silently in real time.\n";
    return std::make_unique<SilentOutput>(options.SampleRate, clock);
  }
}

}  // namespace kivo
