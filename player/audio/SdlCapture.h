// A capture device through SDL: stereo 16-bit frames at the rate asked for
// (a mono device on both channels), delivered by SDL's audio thread into a
// capture buffer. Nothing is played back.
#pragma once

#include <SDL2/SDL.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "player/audio/CaptureBuffer.h"

namespace kivo {

class SdlCapture {
 public:
  // Opens the sound server's source of that name through SDL's pulse
  // driver and starts capturing. Raises CaptureError with SDL's reason.
  SdlCapture(const std::string& source, std::uint32_t sampleRate);
  ~SdlCapture();
  SdlCapture(const SdlCapture&) = delete;
  SdlCapture& operator=(const SdlCapture&) = delete;

  std::uint32_t SampleRate() const { return FSampleRate; }
  // Frames SDL delivers at a time: the capture side's latency.
  std::uint32_t DeviceFrames() const { return FDeviceFrames; }
  const CaptureBuffer& Frames() const { return FFrames; }
  CaptureBuffer& Frames() { return FFrames; }

  // True once the device went away (unplugged, its server gone). The
  // server moves a stream whose source vanished to another one, so it is
  // also asked, about once a second, whether the source is still there.
  bool Lost() const;
  // While paused nothing is captured; what the device had buffered is dropped.
  void Pause();
  void Resume();

 private:
  static void SDLCALL CaptureCallback(void* self, Uint8* stream, int length);

  std::string FSource;
  std::uint32_t FSampleRate;
  std::uint32_t FDeviceFrames = 0;
  CaptureBuffer FFrames;
  SDL_AudioDeviceID FDevice = 0;
  mutable std::chrono::steady_clock::time_point FNextLook;
  mutable bool FGone = false;
};

}  // namespace kivo
