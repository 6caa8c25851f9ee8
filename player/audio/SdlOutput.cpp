#include "player/audio/SdlOutput.h"

#include <algorithm>
#include <atomic>
#include <stdexcept>
#include <utility>

#include "player/audio/QuietSoundLibrary.h"

namespace kivo {

namespace {

std::int16_t LeftOf(Frame frame) { return static_cast<std::int16_t>(frame & 0xFFFF); }
std::int16_t RightOf(Frame frame) { return static_cast<std::int16_t>(frame >> 16); }

std::atomic<int> OpenOutputs{0};

}  // namespace

SdlOutput::SdlOutput(std::uint32_t sampleRate, std::shared_ptr<const MonotonicClock> clock)
    : FClock(std::move(clock)), FPlayhead(sampleRate) {
  if (!FClock) throw std::invalid_argument("a sound output needs a clock");
  QuietSoundLibrary();
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) throw std::runtime_error(SDL_GetError());

  SDL_AudioSpec wanted{};
  wanted.freq = static_cast<int>(sampleRate);
  wanted.format = AUDIO_S16SYS;
  wanted.channels = 2;
  wanted.samples = 1024;
  wanted.callback = FillCallback;
  wanted.userdata = this;
  SDL_AudioSpec obtained{};
  FDevice = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
  if (FDevice == 0) {
    std::string reason = SDL_GetError();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    throw std::runtime_error(reason);
  }
  FDeviceFrames = obtained.samples;
  SDL_PauseAudioDevice(FDevice, 0);
  ++OpenOutputs;
}

SdlOutput::~SdlOutput() {
  --OpenOutputs;
  SDL_CloseAudioDevice(FDevice);
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool SdlOutput::AnyOpen() { return OpenOutputs.load() > 0; }

void SDLCALL SdlOutput::FillCallback(void* self, Uint8* stream, int length) {
  auto* samples = reinterpret_cast<std::int16_t*>(stream);
  static_cast<SdlOutput*>(self)->Fill(
      std::span(samples, static_cast<std::size_t>(length) / sizeof(std::int16_t)));
}

void SdlOutput::Fill(std::span<std::int16_t> samples) {
  const float left = FLeftGain.load();
  const float right = FRightGain.load();
  const std::lock_guard lock(FLock);
  const std::uint64_t takenBefore = FTaken;
  std::size_t at = 0;
  for (; at + 1 < samples.size() && !FQueue.empty(); at += 2) {
    const Frame frame = ApplyVolume(FQueue.front(), left, right);
    FQueue.pop_front();
    samples[at] = LeftOf(frame);
    samples[at + 1] = RightOf(frame);
    ++FTaken;
  }
  std::fill(samples.begin() + static_cast<std::ptrdiff_t>(at), samples.end(), std::int16_t{0});
  // The device now sounds what it took the time before.
  const std::uint64_t nowHeard = takenBefore > FDeviceFrames ? takenBefore - FDeviceFrames : 0;
  FPlayhead.Anchor(nowHeard, FTaken, FClock->Now());
}

void SdlOutput::Play(std::span<const Frame> frames) {
  const std::lock_guard lock(FLock);
  FQueue.insert(FQueue.end(), frames.begin(), frames.end());
  FQueued += frames.size();
}

std::uint64_t SdlOutput::QueuedFrames() const {
  const std::lock_guard lock(FLock);
  return FQueued;
}

std::uint64_t SdlOutput::HeardFrame() const {
  const std::lock_guard lock(FLock);
  return FPlayhead.Position(FClock->Now());
}

void SdlOutput::SetVolume(float left, float right) {
  FLeftGain = std::clamp(left, 0.0f, 1.0f);
  FRightGain = std::clamp(right, 0.0f, 1.0f);
}

void SdlOutput::Pause() {
  SDL_PauseAudioDevice(FDevice, 1);
  const std::lock_guard lock(FLock);
  FPlayhead.Pause(FClock->Now());
}

void SdlOutput::Resume() {
  {
    const std::lock_guard lock(FLock);
    FPlayhead.Resume(FClock->Now());
  }
  SDL_PauseAudioDevice(FDevice, 0);
}

bool SdlOutput::Paused() const {
  const std::lock_guard lock(FLock);
  return FPlayhead.Paused();
}

}  // namespace kivo
