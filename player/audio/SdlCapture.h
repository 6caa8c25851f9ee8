// A capture device through SDL: stereo 16-bit frames at the rate asked for
// (a mono device on both channels), delivered by SDL's audio thread into a
// capture buffer. Nothing is played back.
#pragma once

#include <SDL2/SDL.h>

#include <cstdint>
#include <string>

#include "player/audio/CaptureBuffer.h"

namespace kivo {

class SdlCapture {
 public:
  // Opens SDL's capture device of that name (SDL calls devices by their
  // descriptions) and starts capturing. Raises CaptureError with SDL's
  // reason and the devices SDL has.
  SdlCapture(const std::string& sdlName, std::uint32_t sampleRate);
  ~SdlCapture();
  SdlCapture(const SdlCapture&) = delete;
  SdlCapture& operator=(const SdlCapture&) = delete;

  std::uint32_t SampleRate() const { return FSampleRate; }
  // Frames SDL delivers at a time: the capture side's latency.
  std::uint32_t DeviceFrames() const { return FDeviceFrames; }
  const CaptureBuffer& Frames() const { return FFrames; }
  CaptureBuffer& Frames() { return FFrames; }

  // True once the device went away (unplugged, its server gone).
  bool Lost() const;
  // While paused nothing is captured; what the device had buffered is dropped.
  void Pause();
  void Resume();

 private:
  static void SDLCALL CaptureCallback(void* self, Uint8* stream, int length);

  std::uint32_t FSampleRate;
  std::uint32_t FDeviceFrames = 0;
  CaptureBuffer FFrames;
  SDL_AudioDeviceID FDevice = 0;
};

}  // namespace kivo
